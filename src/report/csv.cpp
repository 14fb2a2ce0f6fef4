// The CSV report (RFC 4180): bytes per host and calendar day (or week, or month), for scripts.
#include <string>

#include "report/report.h"

namespace {

void WriteHostStart(std::FILE* pOut, const host_figures_t& tHost, const std::string& szName) {
  WriteCsvField(pOut, tHost.szHost.c_str());
  std::fputc(',', pOut);
  WriteCsvField(pOut, szName.c_str());
}

// A group's addresses, blank-separated, as the last field; nothing for a report without groups.
void WriteRowEnd(std::FILE* pOut, const report_t& tReport, const host_figures_t& tHost) {
  if (tReport.tOptions.bGroupByName) {
    std::string szHosts;
    for (const std::string& szMember : tHost.tMembers) {
      szHosts += (szHosts.empty() ? "" : " ") + szMember;
    }
    std::fputc(',', pOut);
    WriteCsvField(pOut, (tHost.tMembers.empty() ? tHost.szHost : szHosts).c_str());
  }
  std::fputs("\r\n", pOut);
}

}  // namespace

void WriteCsvReport(std::FILE* pOut, const report_t& tReport) {
  std::fputs(tReport.tOptions.bGroupByName
                 ? "host,name,date,incoming_bytes,outgoing_bytes,snapshots,hosts\r\n"
                 : "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n",
             pOut);
  const report_period_t ePeriod = tReport.tOptions.eBy;
  for (const host_figures_t& tHost : tReport.tHosts) {
    if (ePeriod != report_period_t::kDay) {
      ForEachHostPeriod(
          tReport, ePeriod, tHost,
          [&](const char* szPeriod, const period_figures_t& tFigures, int32_t iSnapshots) {
            WriteHostStart(pOut, tHost,
                           GetHostNameInPeriod(tReport, ePeriod, tHost, tFigures.iPeriod));
            std::fprintf(pOut, ",%s,%lld,%lld,%d", szPeriod, tFigures.llIn, tFigures.llOut,
                         iSnapshots);
            WriteRowEnd(pOut, tReport, tHost);
          });
      continue;
    }
    day_cursor_t tCursor = {&tHost.tDays, 0};
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
      char szDate[kIsoDateBuf];
      FormatReportDay(tReport, iDay, szDate);
      WriteHostStart(pOut, tHost, GetHostNameOnDay(tHost, iDay));
      std::fprintf(pOut, ",%s,%lld,%lld,%d", szDate, tDay.llIn, tDay.llOut,
                   GetDaySnapshots(tReport, iDay));
      WriteRowEnd(pOut, tReport, tHost);
    }
  }
}
