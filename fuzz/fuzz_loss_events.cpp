// Fuzz target: an events file's text, its windows marked on a report of 40 days and written in
// every format.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "logs/loss_events.h"
#include "report/report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  const std::string_view szText(reinterpret_cast<const char*>(pData), iSize);
  loss_events_t tEvents;
  ParseLossEvents(szText, "in_", "out_", tEvents);
  report_t tReport;
  tReport.uiFrom = 20261101;
  tReport.uiTo = 20261210;
  tReport.iDays = 40;
  host_figures_t tHost = {};
  tHost.szHost = "10.0.0.1";
  tHost.tDays = {{3, 1, 2}};
  tHost.dInTotal = 1;
  tHost.dOutTotal = 2;
  tHost.llInBytes = 1000000;
  tHost.llOutBytes = 2000000;
  tReport.tHosts.push_back(tHost);
  tReport.iShown = 1;
  tReport.tDays = {{3, 1, 2, 1000000, 2000000}};
  for (const loss_event_t& tEvent : tEvents.tEvents) {
    if (tEvent.szFound.size() != 14 || tEvent.szLastGood.size() != 14 || tEvent.szWhat.empty()) {
      __builtin_trap();
    }
    MarkReportLoss(tEvent.szLastGood, tEvent.szFound, tEvent.szWhat, tReport);
  }
  for (const loss_window_t& tLoss : tReport.tLosses) {
    if (tLoss.iFirstDay < 0 || tLoss.iFirstDay > tLoss.iLastDay || tLoss.iLastDay >= 40) {
      __builtin_trap();
    }
  }
  std::FILE* pOut = std::fopen("/dev/null", "w");
  if (pOut == nullptr) {
    return 0;
  }
  WriteConsoleReport(pOut, tReport, 0);
  WriteHtmlReport(pOut, tReport);
  WriteCsvReport(pOut, tReport);
  WriteJsonReport(pOut, tReport);
  WriteDailyPage(pOut, tReport);
  tReport.tOptions.eBy = report_period_t::kMonth;
  WriteCsvReport(pOut, tReport);
  WriteMonthlyPage(pOut, tReport);
  std::fclose(pOut);
  return 0;
}
