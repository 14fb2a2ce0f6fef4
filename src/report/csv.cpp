// The CSV report (RFC 4180): bytes per host and calendar day (or month), for scripts.
#include "report/report.h"

namespace {

void WriteHostStart(std::FILE* pOut, const host_figures_t& tHost) {
  WriteCsvField(pOut, tHost.szHost.c_str());
  std::fputc(',', pOut);
  WriteCsvField(pOut, tHost.szName.c_str());
}

}  // namespace

void WriteCsvReport(std::FILE* pOut, const report_t& tReport) {
  std::fputs("host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n", pOut);
  const int32_t iMonths = tReport.tOptions.bByMonth ? CountReportMonths(tReport) : 0;
  for (const host_figures_t& tHost : tReport.tHosts) {
    if (tReport.tOptions.bByMonth) {
      const std::vector<month_figures_t> tMonths = SumHostMonths(tReport, tHost.tDays);
      std::size_t iNext = 0;
      for (int32_t iMonth = 0; iMonth < iMonths; ++iMonth) {
        month_figures_t tMonth = {iMonth, 0, 0, 0, 0};
        if (iNext < tMonths.size() && tMonths[iNext].iMonth == iMonth) {
          tMonth = tMonths[iNext++];
        }
        char szMonth[kIsoDateBuf];
        FormatReportMonth(tReport, iMonth, szMonth);
        WriteHostStart(pOut, tHost);
        std::fprintf(pOut, ",%s,%lld,%lld,%d\r\n", szMonth, tMonth.llIn, tMonth.llOut,
                     CountMonthSnapshots(tReport, iMonth));
      }
      continue;
    }
    day_cursor_t tCursor = {&tHost.tDays, 0};
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
      char szDate[kIsoDateBuf];
      FormatReportDay(tReport, iDay, szDate);
      WriteHostStart(pOut, tHost);
      std::fprintf(pOut, ",%s,%lld,%lld,%d\r\n", szDate, tDay.llIn, tDay.llOut,
                   GetDaySnapshots(tReport, iDay));
    }
  }
}
