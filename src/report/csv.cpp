// The CSV report (RFC 4180): bytes per host and calendar day (or week, or month), for scripts.
#include <string>

#include "report/report.h"

namespace {

void WriteHostStart(std::FILE* pOut, const host_figures_t& tHost, const std::string& szName) {
  WriteCsvField(pOut, tHost.szHost.c_str());
  std::fputc(',', pOut);
  WriteCsvField(pOut, szName.c_str());
}

// A group's addresses, blank-separated; then, in a report with days that may lack traffic,
// whether the row's day or period is complete; nothing of either otherwise.
void WriteRowEnd(std::FILE* pOut, const report_t& tReport, const host_figures_t& tHost,
                 bool bComplete) {
  if (tReport.tOptions.bGroupByName) {
    std::string szHosts;
    for (const std::string& szMember : tHost.tMembers) {
      szHosts += (szHosts.empty() ? "" : " ") + szMember;
    }
    std::fputc(',', pOut);
    WriteCsvField(pOut, (tHost.tMembers.empty() ? tHost.szHost : szHosts).c_str());
  }
  if (!tReport.tLosses.empty()) {
    std::fputs(bComplete ? ",true" : ",false", pOut);
  }
  std::fputs("\r\n", pOut);
}

}  // namespace

void WriteCsvReport(std::FILE* pOut, const report_t& tReport) {
  const report_period_t ePeriod = tReport.tOptions.eBy;
  // A week or a month the range covers only in part shows which of its days it holds.
  std::fputs("host,name,date,incoming_bytes,outgoing_bytes,snapshots", pOut);
  if (ePeriod != report_period_t::kDay) {
    std::fputs(",first_day,last_day,period_first_day,period_last_day", pOut);
  }
  if (tReport.tOptions.bGroupByName) {
    std::fputs(",hosts", pOut);
  }
  std::fputs(tReport.tLosses.empty() ? "\r\n" : ",complete\r\n", pOut);
  for (const host_figures_t& tHost : tReport.tHosts) {
    if (ePeriod != report_period_t::kDay) {
      ForEachHostPeriod(
          tReport, ePeriod, tHost,
          [&](const char* szPeriod, const period_figures_t& tFigures, int32_t iSnapshots,
              const period_span_t& tSpan) {
            char aszDays[4][kIsoDateBuf];
            FormatEpochDay(tSpan.llCoveredFirst, aszDays[0]);
            FormatEpochDay(tSpan.llCoveredLast, aszDays[1]);
            FormatEpochDay(tSpan.llFirst, aszDays[2]);
            FormatEpochDay(tSpan.llLast, aszDays[3]);
            WriteHostStart(pOut, tHost,
                           GetHostNameInPeriod(tReport, ePeriod, tHost, tFigures.iPeriod));
            std::fprintf(pOut, ",%s,%lld,%lld,%d,%s,%s,%s,%s", szPeriod, tFigures.llIn,
                         tFigures.llOut, iSnapshots, aszDays[0], aszDays[1], aszDays[2],
                         aszDays[3]);
            WriteRowEnd(pOut, tReport, tHost,
                        FindPeriodLoss(tReport, ePeriod, tFigures.iPeriod) == nullptr);
          });
      continue;
    }
    day_cursor_t tCursor = {&tHost, 0};
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
      char szDate[kIsoDateBuf];
      FormatReportDay(tReport, iDay, szDate);
      WriteHostStart(pOut, tHost, GetHostNameOnDay(tHost, iDay));
      std::fprintf(pOut, ",%s,%lld,%lld,%d", szDate, tDay.llIn, tDay.llOut,
                   GetDaySnapshots(tReport, iDay));
      WriteRowEnd(pOut, tReport, tHost, FindDayLoss(tReport, iDay) == nullptr);
    }
  }
}
