// Fuzz target: any file contents read as a counter log into a fresh table.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "logs/logs.h"

namespace {

// One temporary folder for the whole fuzzing run; the log is rewritten for every input.
const std::string& GetFuzzFolder() {
  static const std::string s_szFolder = [] {
    char szTemplate[] = "/tmp/netreckon-fuzz-XXXXXX";
    const char* szMade = mkdtemp(szTemplate);
    if (szMade == nullptr) {
      std::abort();
    }
    return std::string(szMade) + "/";
  }();
  return s_szFolder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  const std::string& szFolder = GetFuzzFolder();
  const char* szName = "in_20090425120000";
  FILE* pFile = std::fopen((szFolder + szName).c_str(), "wb");
  if (pFile == nullptr) {
    return 0;
  }
  std::fwrite(pData, 1, iSize, pFile);
  std::fclose(pFile);
  ResetReportRange();
  static host_table_t s_tTable;
  std::memset(s_tTable, 0, sizeof s_tTable);
  const int32_t iDirection = iSize > 0 ? pData[0] & 1 : 0;
  ProcessLogFile(szFolder.c_str(), szName, s_tTable, iDirection, iSize > 1 ? pData[1] & 1 : 1);
  return 0;
}
