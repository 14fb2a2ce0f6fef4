// The JSON report: bytes per host and calendar day, with totals that are the sums of the days.
#include "report/report.h"

namespace {

void WriteDate(std::FILE* pOut, date_number_t uiFrom, int32_t iDay) {
  char szDate[kIsoDateBuf] = {};
  FormatDayDate(uiFrom, iDay, szDate);
  std::fprintf(pOut, "\"%s\"", szDate);
}

}  // namespace

void WriteJsonReport(std::FILE* pOut, const report_t& tReport) {
  std::fputs("{\"from\": ", pOut);
  if (tReport.iDays > 0) {
    WriteDate(pOut, tReport.uiFrom, 0);
    std::fputs(", \"to\": ", pOut);
    WriteDate(pOut, tReport.uiFrom, tReport.iDays - 1);
  } else {
    std::fputs("null, \"to\": null", pOut);
  }
  std::fputs(", \"hosts\": [", pOut);
  long long llAllIn = 0;
  long long llAllOut = 0;
  for (int iIdx = 0; iIdx < tReport.iHosts; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    long long llIn = 0;
    long long llOut = 0;
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      llIn += RoundToBytes(tHost.dInDays[iDay]);
      llOut += RoundToBytes(tHost.dOutDays[iDay]);
    }
    std::fputs(iIdx == 0 ? "\n  {\"host\": " : ",\n  {\"host\": ", pOut);
    WriteJsonString(pOut, tHost.szHost);
    std::fprintf(pOut, ", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld, \"days\": [", llIn,
                 llOut);
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      std::fputs(iDay == 0 ? "\n    {\"date\": " : ",\n    {\"date\": ", pOut);
      WriteDate(pOut, tReport.uiFrom, iDay);
      std::fprintf(pOut, ", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}",
                   RoundToBytes(tHost.dInDays[iDay]), RoundToBytes(tHost.dOutDays[iDay]));
    }
    std::fputs("]}", pOut);
    llAllIn += llIn;
    llAllOut += llOut;
  }
  std::fprintf(pOut, "%s], \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}\n",
               tReport.iHosts > 0 ? "\n" : "", llAllIn, llAllOut);
}
