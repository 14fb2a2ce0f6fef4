// The JSON report: bytes per host and calendar day, with totals that are the sums of the days.
#include "report/report.h"

void WriteJsonReport(std::FILE* pOut, const report_t& tReport) {
  if (tReport.iDays > 0) {
    std::fprintf(pOut, "{\"from\": \"%s\", \"to\": \"%s\", \"hosts\": [", tReport.szDays[0],
                 tReport.szDays[tReport.iDays - 1]);
  } else {
    std::fputs("{\"from\": null, \"to\": null, \"hosts\": [", pOut);
  }
  for (int iIdx = 0; iIdx < tReport.iHosts; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    std::fputs(iIdx == 0 ? "\n  {\"host\": " : ",\n  {\"host\": ", pOut);
    WriteJsonString(pOut, tHost.szHost);
    std::fprintf(pOut, ", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld, \"days\": [",
                 tHost.llInBytes, tHost.llOutBytes);
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      std::fprintf(pOut, "%s{\"date\": \"%s\", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}",
                   iDay == 0 ? "\n    " : ",\n    ", tReport.szDays[iDay], tHost.llInDayBytes[iDay],
                   tHost.llOutDayBytes[iDay]);
    }
    std::fputs("]}", pOut);
  }
  std::fprintf(pOut, "%s], \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}\n",
               tReport.iHosts > 0 ? "\n" : "", tReport.llInBytes, tReport.llOutBytes);
}
