// The CSV report (RFC 4180): bytes per host and calendar day, for scripts.
#include "report/report.h"

void WriteCsvReport(std::FILE* pOut, const report_t& tReport) {
  std::fputs("host,date,incoming_bytes,outgoing_bytes\r\n", pOut);
  for (const host_figures_t& tHost : tReport.tHosts) {
    day_cursor_t tCursor = {&tHost.tDays, 0};
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
      char szDate[kIsoDateBuf];
      FormatReportDay(tReport, iDay, szDate);
      WriteCsvField(pOut, tHost.szHost);
      std::fprintf(pOut, ",%s,%lld,%lld\r\n", szDate, tDay.llIn, tDay.llOut);
    }
  }
}
