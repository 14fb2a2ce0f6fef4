// The JSON report: bytes per host and calendar day (or week, or month), with totals that are
// the sums of the days.
#include "report/report.h"

namespace {

// A day's or a period's entry. It names the host only where leases named it differently over
// the report's days; a period's (pSpan) gives the days of it that the range covers and its own,
// so that a period the range covers only in part says so; in a report with days that may lack
// traffic, it says whether this one is complete.
void WriteEntry(std::FILE* pOut, const report_t& tReport, bool bFirst, const char* szDate,
                long long llIn, long long llOut, int32_t iSnapshots, bool bComplete,
                const host_figures_t& tHost, const std::string& szName,
                const period_span_t* pSpan = nullptr) {
  std::fprintf(pOut, "%s{\"date\": \"%s\", ", bFirst ? "\n    " : ",\n    ", szDate);
  if (!tHost.tDayNames.empty()) {
    std::fputs("\"name\": ", pOut);
    if (szName.empty()) {
      std::fputs("null", pOut);
    } else {
      WriteJsonString(pOut, szName.c_str());
    }
    std::fputs(", ", pOut);
  }
  std::fprintf(pOut, "\"incoming_bytes\": %lld, \"outgoing_bytes\": %lld, \"snapshots\": %d", llIn,
               llOut, iSnapshots);
  if (pSpan != nullptr) {
    char aszDays[4][kIsoDateBuf];
    FormatEpochDay(pSpan->llCoveredFirst, aszDays[0]);
    FormatEpochDay(pSpan->llCoveredLast, aszDays[1]);
    FormatEpochDay(pSpan->llFirst, aszDays[2]);
    FormatEpochDay(pSpan->llLast, aszDays[3]);
    std::fprintf(pOut,
                 ", \"first_day\": \"%s\", \"last_day\": \"%s\", \"period_first_day\": \"%s\", "
                 "\"period_last_day\": \"%s\"",
                 aszDays[0], aszDays[1], aszDays[2], aszDays[3]);
  }
  if (!tReport.tLosses.empty()) {
    std::fputs(bComplete ? ", \"complete\": true" : ", \"complete\": false", pOut);
  }
  std::fputc('}', pOut);
}

void WritePeriods(std::FILE* pOut, const report_t& tReport, const host_figures_t& tHost) {
  bool bFirst = true;
  ForEachHostPeriod(
      tReport, tReport.tOptions.eBy, tHost,
      [&](const char* szPeriod, const period_figures_t& tFigures, int32_t iSnapshots,
          const period_span_t& tSpan) {
        WriteEntry(
            pOut, tReport, bFirst, szPeriod, tFigures.llIn, tFigures.llOut, iSnapshots,
            FindPeriodLoss(tReport, tReport.tOptions.eBy, tFigures.iPeriod) == nullptr, tHost,
            GetHostNameInPeriod(tReport, tReport.tOptions.eBy, tHost, tFigures.iPeriod), &tSpan);
        bFirst = false;
      });
}

// A group's addresses; nothing for a report without groups.
void WriteMembers(std::FILE* pOut, const report_t& tReport, const host_figures_t& tHost) {
  if (!tReport.tOptions.bGroupByName) {
    return;
  }
  std::fputs(", \"hosts\": [", pOut);
  if (tHost.tMembers.empty()) {
    WriteJsonString(pOut, tHost.szHost.c_str());
  }
  for (std::size_t iMember = 0; iMember < tHost.tMembers.size(); ++iMember) {
    std::fputs(iMember == 0 ? "" : ", ", pOut);
    WriteJsonString(pOut, tHost.tMembers[iMember].c_str());
  }
  std::fputc(']', pOut);
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
  const report_period_t ePeriod = tReport.tOptions.eBy;
  constexpr const char* kListNames[] = {"days", "weeks", "months"};
  for (std::size_t iIdx = 0; iIdx < tReport.tHosts.size(); ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    std::fputs(iIdx == 0 ? "\n  {\"host\": " : ",\n  {\"host\": ", pOut);
    WriteJsonString(pOut, tHost.szHost.c_str());
    std::fputs(", \"name\": ", pOut);
    if (tHost.szName.empty()) {
      std::fputs("null", pOut);
    } else {
      WriteJsonString(pOut, tHost.szName.c_str());
    }
    WriteMembers(pOut, tReport, tHost);
    std::fprintf(pOut, ", \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld, \"%s\": [",
                 tHost.llInBytes, tHost.llOutBytes, kListNames[static_cast<int>(ePeriod)]);
    if (ePeriod != report_period_t::kDay) {
      WritePeriods(pOut, tReport, tHost);
    } else {
      day_cursor_t tCursor = {&tHost, 0};
      for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
        const day_figures_t tDay = GetNextDayFigures(tCursor, iDay);
        char szDate[kIsoDateBuf];
        FormatReportDay(tReport, iDay, szDate);
        WriteEntry(pOut, tReport, iDay == 0, szDate, tDay.llIn, tDay.llOut,
                   GetDaySnapshots(tReport, iDay), FindDayLoss(tReport, iDay) == nullptr, tHost,
                   GetHostNameOnDay(tHost, iDay));
      }
    }
    std::fputs("]}", pOut);
  }
  std::fprintf(pOut, "%s], \"incoming_bytes\": %lld, \"outgoing_bytes\": %lld}\n",
               tReport.tHosts.empty() ? "" : "\n", tReport.llInBytes, tReport.llOutBytes);
}
