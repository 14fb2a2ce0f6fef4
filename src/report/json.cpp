// The JSON report: bytes per host and calendar day (or month), with totals that are the sums
// of the days.
#include "report/report.h"

namespace {

void WriteEntry(std::FILE* pOut, bool bFirst, const char* szDate, long long llIn, long long llOut,
                int32_t iSnapshots) {
  std::fprintf(pOut,
               "%s{\"date\": \"%s\", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld, "
               "\"snapshots\": %d}",
               bFirst ? "\n    " : ",\n    ", szDate, llIn, llOut, iSnapshots);
}

void WriteMonths(std::FILE* pOut, const report_t& tReport, const host_figures_t& tHost) {
  const std::vector<month_figures_t> tMonths = SumHostMonths(tReport, tHost.tDays);
  const int32_t iMonths = CountReportMonths(tReport);
  std::size_t iNext = 0;
  for (int32_t iMonth = 0; iMonth < iMonths; ++iMonth) {
    month_figures_t tMonth = {iMonth, 0, 0, 0, 0};
    if (iNext < tMonths.size() && tMonths[iNext].iMonth == iMonth) {
      tMonth = tMonths[iNext++];
    }
    char szMonth[kIsoDateBuf];
    FormatReportMonth(tReport, iMonth, szMonth);
    WriteEntry(pOut, iMonth == 0, szMonth, tMonth.llIn, tMonth.llOut,
               CountMonthSnapshots(tReport, iMonth));
  }
}

}  // namespace

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
  const bool bByMonth = tReport.tOptions.bByMonth;
  bool bFirstHost = true;
  for (const host_figures_t& tHost : tReport.tHosts) {
    std::fputs(bFirstHost ? "\n  {\"host\": " : ",\n  {\"host\": ", pOut);
    bFirstHost = false;
    WriteJsonString(pOut, tHost.szHost.c_str());
    std::fputs(", \"name\": ", pOut);
    if (tHost.szName.empty()) {
      std::fputs("null", pOut);
    } else {
      WriteJsonString(pOut, tHost.szName.c_str());
    }
    std::fprintf(pOut, ", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld, \"%s\": [",
                 tHost.llInBytes, tHost.llOutBytes, bByMonth ? "months" : "days");
    if (bByMonth) {
      WriteMonths(pOut, tReport, tHost);
    } else {
      day_cursor_t tCursor = {&tHost.tDays, 0};
      for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
        const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
        char szDate[kIsoDateBuf];
        FormatReportDay(tReport, iDay, szDate);
        WriteEntry(pOut, iDay == 0, szDate, tDay.llIn, tDay.llOut, GetDaySnapshots(tReport, iDay));
      }
    }
    std::fputs("]}", pOut);
  }
  std::fprintf(pOut, "%s], \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}\n",
               tReport.tHosts.empty() ? "" : "\n", tReport.llInBytes, tReport.llOutBytes);
}
