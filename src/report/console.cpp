// The console report: one line per host, the totals of all hosts and the elapsed time.
#include "report/report.h"

namespace {

// 101 "=" and a line break.
constexpr const char* kRule =
    "=================================================="
    "===================================================\n";

}  // namespace

void WriteConsoleReport(std::FILE* pOut, const report_t& tReport, double dElapsedSeconds) {
  std::fputs(kRule, pOut);
  if (tReport.iDays == 0) {
    std::fputs("Bandwidth usage from: none to none\n", pOut);
  } else {
    std::fprintf(pOut, "Bandwidth usage from: %llu to %llu\n", tReport.uiFrom, tReport.uiTo);
  }
  for (const partial_period_t& tPartial : ListPartialPeriods(tReport)) {
    std::fprintf(pOut, "Partial period [%s]: %s to %s\n", tPartial.szLabel.c_str(),
                 tPartial.szFirst.c_str(), tPartial.szLast.c_str());
  }
  for (std::size_t iIdx = 0; iIdx < tReport.iShown; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    std::fprintf(pOut,
                 "Totals for host [%s]\tIncoming [%.2f MB]\tOutgoing [%.2f MB]\tTotal [%.2f MB]\n",
                 GetHostTitle(tReport, tHost).c_str(), tHost.dInTotal, tHost.dOutTotal,
                 tHost.dInTotal + tHost.dOutTotal);
  }
  if (tReport.iShown < tReport.tHosts.size()) {
    std::fprintf(pOut,
                 "Totals for other hosts (%zu)\tIncoming [%.2f MB]\tOutgoing [%.2f MB]\tTotal "
                 "[%.2f MB]\n",
                 tReport.tHosts.size() - tReport.iShown, tReport.tOthers.dInTotal,
                 tReport.tOthers.dOutTotal, tReport.tOthers.dInTotal + tReport.tOthers.dOutTotal);
  }
  std::fputs(kRule, pOut);
  std::fprintf(
      pOut,
      "Totals for all hosts in filter\tIncoming [%.2f MB]\tOutgoing [%.2f MB]\tTotal [%.2f MB]\n",
      tReport.dInTotal, tReport.dOutTotal, tReport.dInTotal + tReport.dOutTotal);
  for (const loss_window_t& tLoss : tReport.tLosses) {
    std::fprintf(pOut, "Incomplete: %s\n", FormatLossNotice(tReport, tLoss).c_str());
  }
  std::fprintf(pOut, "\nElapsed time to generate stats: %.2f\n", dElapsedSeconds);
}
