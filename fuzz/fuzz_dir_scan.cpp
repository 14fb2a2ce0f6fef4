// Fuzz target: the choice of logs from an arbitrary listing, with a few log texts in memory.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "logs/logs.h"

namespace {

constexpr std::array<std::string_view, 4> kContents = {
    "Chain NET_IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    "   10  123K all -- * * 0.0.0.0/0 10.0.0.1\n    3 5M all -- * * 10.0.0.2 10.0.0.3\n",
    "Chain NET_OUT (1 references)\n pkts bytes target prot opt in out source destination\n"
    "   10  2G all -- * * 10.0.0.1 0.0.0.0/0\n    3 99999 all -- * * 10.0.0.2 0.0.0.0/0\n",
    "",
    "x\ny\n1 1 a b c d e f g h i j k l m n o p\n",
};

// Stands in for the file system: a name's contents depend on its length.
void ReadFromMemory(void* /*pContext*/, const char* /*szLogPath*/, const char* szLogFile,
                    host_table_t& tTable, int32_t iDirection, int32_t iLogFileIsOnANewDate) {
  log_row_target_t tTarget = {szLogFile, &tTable, iDirection, iLogFileIsOnANewDate};
  const std::string_view szName(szLogFile);
  SplitLogText(kContents[szName.size() % kContents.size()], iDirection, AccountLogRow, &tTarget);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  // Lines: the prefix, the start filter, the end filter, then the names in listing order.
  const std::string_view szInput(reinterpret_cast<const char*>(pData), iSize);
  std::vector<std::string_view> tLines;
  std::size_t iAt = 0;
  while (iAt <= szInput.size() && tLines.size() < 5000) {
    const std::size_t iEnd = std::min(szInput.find('\n', iAt), szInput.size());
    tLines.push_back(szInput.substr(iAt, iEnd - iAt));
    iAt = iEnd + 1;
  }
  while (tLines.size() < 3) {
    tLines.emplace_back();
  }
  const std::string szPrefix(tLines[0]);
  const std::string szStart(tLines[1]);
  const std::string szEnd(tLines[2]);
  const dir_listing_t tListing =
      MakeLogListing(std::span<const std::string_view>(tLines).subspan(3));
  ResetReportRange();
  static host_table_t s_tUsage;
  static host_table_t s_tInit;
  std::memset(s_tUsage, 0, sizeof s_tUsage);
  std::memset(s_tInit, 0, sizeof s_tInit);
  for (int32_t iDirection = 0; iDirection < 2; ++iDirection) {
    ScanLogListing(tListing, "/logs/", szPrefix.c_str(), iDirection, szStart.c_str(), szEnd.c_str(),
                   s_tUsage, s_tInit, ReadFromMemory, nullptr);
  }
  return 0;
}
