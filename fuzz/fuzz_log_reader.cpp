// Fuzz target: any file contents read as a counter log into a fresh table.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "logs/logs.h"

namespace {

// One folder for the whole fuzzing run, under TMPDIR (the runner removes it); the log is
// rewritten for every input.
std::string MakeFuzzFolder() {
  const char* szTemp = std::getenv("TMPDIR");
  std::string szTemplate =
      std::string(szTemp != nullptr ? szTemp : "/tmp") + "/netreckon-fuzz-XXXXXX";
  const char* szMade = mkdtemp(szTemplate.data());
  if (szMade == nullptr) {
    std::abort();
  }
  return std::string(szMade) + "/";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  // libFuzzer calls in one thread; the folder is made once, on the first input.
  static const std::string s_szFolder = MakeFuzzFolder();
  const char* szName = "in_20090425120000";
  FILE* pFile = std::fopen((s_szFolder + szName).c_str(), "wb");
  if (pFile == nullptr) {
    return 0;
  }
  std::fwrite(pData, 1, iSize, pFile);
  std::fclose(pFile);
  report_range_t tRange;
  host_table_t tTable;
  const int32_t iDirection = iSize > 0 ? pData[0] & 1 : 0;
  const log_file_t tFile = {s_szFolder.c_str(), szName, GetLogFileDate(szName), iDirection,
                            iSize > 1 ? pData[1] & 1 : 1};
  const log_read_t tRead = ProcessLogFile(tFile, tTable, tRange);
  // The same text read from memory in one piece gives the same rows.
  host_table_t tFromMemory;
  const log_read_t tFromText = ReadLogText(
      std::string_view(reinterpret_cast<const char*>(pData), iSize), tFile, tFromMemory, tRange);
  if (tRead.iRefusedRows != tFromText.iRefusedRows || tRead.llReadings != tFromText.llReadings ||
      tRead.bUnhooked != tFromText.bUnhooked || tTable.tHosts.size() != tFromMemory.tHosts.size()) {
    __builtin_trap();
  }
  // And as a year's files are read: looked up in the directory opened once, listed as a file,
  // so that only a read that does not settle what it is looks at it.
  const int iDirFd = open(s_szFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (iDirFd < 0) {
    return 0;
  }
  host_table_t tListed;
  log_file_t tListedFile = tFile;
  tListedFile.iDirFd = iDirFd;
  tListedFile.bListedAsFile = true;
  const log_read_t tListedRead = ProcessLogFile(tListedFile, tListed, tRange);
  close(iDirFd);
  if (tListedRead.eOutcome != tRead.eOutcome || tListedRead.iRefusedRows != tRead.iRefusedRows ||
      tListedRead.llReadings != tRead.llReadings || tListed.tHosts.size() != tTable.tHosts.size()) {
    __builtin_trap();
  }
  return 0;
}
