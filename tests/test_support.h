// Helpers for tests that run the real binary on real directories.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct run_result_t {
  int iExitStatus = -1;  // exit code, or 128 + signal
  bool bTimedOut = false;
  std::string szStdout;
  std::string szStderr;
};

/// Runs the built program with the arguments under the time zone `szTz`, killing it after
/// `iTimeoutSeconds`.
run_result_t RunNetreckon(const std::vector<std::string>& tArgs, const std::string& szTz = "UTC",
                          int iTimeoutSeconds = 60, const std::string& szWorkDir = "");

/// A fresh empty directory under the system's temporary folder, removed by the destructor.
struct temp_dir_t {
  std::string szPath;
  temp_dir_t();
  /// A folder below `szBase` (the system's temporary folder by default).
  explicit temp_dir_t(const std::string& szBase);
  ~temp_dir_t();
  temp_dir_t(const temp_dir_t&) = delete;
  temp_dir_t& operator=(const temp_dir_t&) = delete;
  /// Writes a file below the directory; returns its full path.
  std::string Write(const std::string& szName, const std::string& szContents) const;
};

/// The text of a log file as a chain listing prints it: header lines, then one row per host
/// with the given byte column.
std::string MakeLogText(int32_t iDirection,
                        const std::vector<std::pair<std::string, std::string>>& tRows);

/// The output with the elapsed-time line's figure replaced by "X".
std::string MaskElapsed(const std::string& szOutput);

/// What fWrite(FILE*) writes, as a string.
template <class Writer>
std::string WriteToString(Writer&& fWrite) {
  char* pText = nullptr;
  std::size_t iSize = 0;
  std::FILE* pOut = open_memstream(&pText, &iSize);
  fWrite(pOut);
  std::fclose(pOut);
  std::string szText(pText, iSize);
  std::free(pText);
  return szText;
}
