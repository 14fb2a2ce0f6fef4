// The CSV report (RFC 4180): bytes per host and calendar day, for scripts.
#include "report/report.h"

void WriteCsvReport(std::FILE* pOut, const report_t& tReport) {
  std::fputs("host,date,incoming_bytes,outgoing_bytes\r\n", pOut);
  for (int iIdx = 0; iIdx < tReport.iHosts; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      WriteCsvField(pOut, tHost.szHost);
      std::fprintf(pOut, ",%s,%lld,%lld\r\n", tReport.szDays[iDay], tHost.llInDayBytes[iDay],
                   tHost.llOutDayBytes[iDay]);
    }
  }
}
