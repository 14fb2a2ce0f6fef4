// Fuzz target: a whole run in memory, from an arbitrary listing and log text to every writer.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/date_filter.h"
#include "logs/logs.h"
#include "report/report.h"

namespace {

constexpr std::string_view kContents[] = {
    "Chain NET_IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    "   10  123K all -- * * 0.0.0.0/0 10.0.0.1\n    3 5M RETURN all -- * * 10.0.0.2 10.0.0.3\n",
    "Chain NET_OUT (1 references)\n pkts bytes target prot opt in out source destination\n"
    "   10  2G all -- * * 10.0.0.1 0.0.0.0/0 /* x */\n    3 99999 all -- * * 10.0.0.2 0/0\n",
    "",
};

// More calendar days than this would only make the fuzzer slow, not find more.
constexpr int32_t kMaxWrittenDays = 4000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  // Lines: the prefix, the start filter, the end filter, then the names in listing order, up
  // to a NUL; after it, the text of every log whose name has an odd length.
  const std::string_view szWhole(reinterpret_cast<const char*>(pData), iSize);
  const std::size_t iNul = std::min(szWhole.find('\0'), szWhole.size());
  const std::string_view szInput = szWhole.substr(0, iNul);
  const std::string_view szLogText = szWhole.substr(iNul < szWhole.size() ? iNul + 1 : iNul);
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
  char szStart[kTextBuf] = {};
  char szEnd[kTextBuf] = {};
  CopyText(szStart, sizeof szStart, tLines[1]);
  CopyText(szEnd, sizeof szEnd, tLines[2]);
  // The filters as the command line resolves them; a refused one ends the run there.
  constexpr time_t k20261208 = 1796731200;
  if (!ProcessSpecialDateParameter(szStart, k20261208) ||
      !ProcessSpecialDateParameter(szEnd, k20261208, true)) {
    return 0;
  }
  const dir_listing_t tListing =
      MakeLogListing(std::span<const std::string_view>(tLines).subspan(3));
  report_range_t tRange;
  host_table_t tUsage;
  host_table_t tInit;
  tInit.bLevels = true;
  std::vector<snapshot_stamp_t> tStamps;
  for (int32_t iDirection = 0; iDirection < 2; ++iDirection) {
    const scan_plan_t tPlan =
        ScanLogListing(tListing, szPrefix, ParseDateNumber(szStart), ParseDateNumber(szEnd));
    auto ReadText = [&](const planned_log_t& tLog, host_table_t& tTable) {
      const std::string_view szName(tLog.szName);
      const log_file_t tFile = {"/logs/", tLog.szName, tLog.uiFileDate, iDirection,
                                tLog.iLogFileIsOnANewDate};
      return ReadLogText(szName.size() % 2 == 1 ? szLogText : kContents[szName.size() % 3], tFile,
                         tTable, tRange);
    };
    for (const planned_log_t& tLog : tPlan.tLogs) {
      ReadText(tLog, tUsage);
      tStamps.push_back(MakeSnapshotStamp(tLog.szStamp));
    }
    for (const planned_log_t& tLog : tPlan.tBaselines) {
      if (ReadText(tLog, tInit).llReadings > 0) {
        break;
      }
    }
  }
  report_t tReport;
  BuildReport(tUsage, tInit, tRange.start_date, tRange.end_date, tReport);
  CountReportSnapshots(tStamps, tReport);
  // The options from the log text's length, so that orders and a top come up.
  report_options_t tOptions;
  tOptions.eOrder = static_cast<host_order_t>(szLogText.size() % 5);
  tOptions.bOrderGiven = szLogText.size() % 2 == 0;
  tOptions.iTop = static_cast<int32_t>(szLogText.size() % 4);
  tOptions.bNames = true;
  tOptions.eBy = static_cast<report_period_t>(szLogText.size() % 3);
  tOptions.iPeriodStart = static_cast<int32_t>(szLogText.size() % 28) + 1;
  tOptions.bGroupByName = szLogText.size() % 5 == 1;
  if (tOptions.bGroupByName) {
    for (host_figures_t& tHost : tReport.tHosts) {
      tHost.szName = tHost.szHost.size() % 2 == 0 ? "even" : "";
    }
  }
  ApplyReportOptions(tOptions, szLogText.size() % 7 == 0, tReport);
  if (tReport.iDays > kMaxWrittenDays) {
    return 0;
  }
  FILE* pOut = std::fopen("/dev/null", "w");
  if (pOut == nullptr) {
    return 0;
  }
  WriteConsoleReport(pOut, tReport, 0);
  WriteHtmlReport(pOut, tReport);
  WriteCsvReport(pOut, tReport);
  WriteJsonReport(pOut, tReport);
  WriteDailyPage(pOut, tReport);
  WriteMonthlyPage(pOut, tReport);
  std::fclose(pOut);
  return 0;
}
