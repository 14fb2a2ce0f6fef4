// The JSON report: bytes per host and calendar day, with totals that are the sums of the days.
#include "report/report.h"

void WriteJsonReport(std::FILE* pOut, const report_t& tReport) {
  if (tReport.iDays > 0) {
    char szFrom[kIsoDateBuf];
    char szTo[kIsoDateBuf];
    FormatReportDay(tReport, 0, szFrom);
    FormatReportDay(tReport, tReport.iDays - 1, szTo);
    std::fprintf(pOut, "{\"from\": \"%s\", \"to\": \"%s\", \"hosts\": [", szFrom, szTo);
  } else {
    std::fputs("{\"from\": null, \"to\": null, \"hosts\": [", pOut);
  }
  bool bFirstHost = true;
  for (const host_figures_t& tHost : tReport.tHosts) {
    std::fputs(bFirstHost ? "\n  {\"host\": " : ",\n  {\"host\": ", pOut);
    bFirstHost = false;
    WriteJsonString(pOut, tHost.szHost);
    std::fprintf(pOut, ", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld, \"days\": [",
                 tHost.llInBytes, tHost.llOutBytes);
    day_cursor_t tCursor = {&tHost.tDays, 0};
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
      char szDate[kIsoDateBuf];
      FormatReportDay(tReport, iDay, szDate);
      std::fprintf(pOut, "%s{\"date\": \"%s\", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}",
                   iDay == 0 ? "\n    " : ",\n    ", szDate, tDay.llIn, tDay.llOut);
    }
    std::fputs("]}", pOut);
  }
  std::fprintf(pOut, "%s], \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}\n",
               tReport.tHosts.empty() ? "" : "\n", tReport.llInBytes, tReport.llOutBytes);
}
