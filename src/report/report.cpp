// Building the report's figures from the usage and init tables.
#include "report/report.h"

#include <cmath>
#include <string_view>

namespace {

const data_t* FindBaseline(const host_table_t& tInit, const char* szIp) {
  for (const data_t& tHost : tInit) {
    if (tHost.ip[0] != '\0' && EqualsIgnoreCase(tHost.ip, szIp)) {
      return &tHost;
    }
  }
  return nullptr;
}

double SumDaySlots(const day_slots_t& tSlots) {
  double dSum = 0;
  for (const double dSlot : tSlots) {
    dSum += dSlot;
  }
  return dSum;
}

// One direction: the days as accounted, the baseline taken out of the total and of the day of
// the first reading. A first reading below the baseline means a reset in between.
void TakeOutBaseline(const day_slots_t& tSlots, const day_marks_t& tHasReading, double dFirstBytes,
                     int32_t iFirstDay, double dBaseline, double (&dDays)[kDaySlots],
                     double& dTotal) {
  for (int iDay = 0; iDay < kDaySlots; ++iDay) {
    dDays[iDay] = tSlots[iDay];
  }
  dTotal = SumDaySlots(tSlots);
  const bool bHasReading = HasAnyReading(tHasReading);
  if (bHasReading && dFirstBytes < dBaseline) {
    return;
  }
  dTotal -= dBaseline;
  const int32_t iDay = bHasReading && iFirstDay >= 0 && iFirstDay < kDaySlots ? iFirstDay : 0;
  dDays[iDay] -= dBaseline;
}

// Whole bytes of a figure in MB.
long long RoundToBytes(double dMegabytes) {
  // Far beyond any counter, but a sum of days must not overflow the conversion.
  constexpr double kLimit = 9.0e18;
  const double dBytes = dMegabytes * 1e6;
  if (!(dBytes < kLimit)) {
    return dBytes > 0 ? static_cast<long long>(kLimit) : 0;
  }
  return dBytes > -kLimit ? std::llround(dBytes) : -static_cast<long long>(kLimit);
}

}  // namespace

report_type_t ParseReportType(const char* szArgument) {
  const std::string_view szType(szArgument);
  if (szType == "console") {
    return report_type_t::kConsole;
  }
  if (szType == "html") {
    return report_type_t::kHtml;
  }
  if (szType == "csv") {
    return report_type_t::kCsv;
  }
  if (szType == "json") {
    return report_type_t::kJson;
  }
  if (szType == "daily") {
    return report_type_t::kDaily;
  }
  switch (ParseInt(szArgument)) {
    case 0: return report_type_t::kConsole;
    case 1: return report_type_t::kHtml;
    default: return report_type_t::kNone;
  }
}

void BuildReport(const host_table_t& tUsage, const host_table_t& tInit, report_t& tReport) {
  tReport = {};
  tReport.uiFrom = start_date;
  tReport.uiTo = end_date;
  for (int iIdx = 0; iIdx < kMaxClients && tUsage[iIdx].ip[0] != '\0'; ++iIdx) {
    const data_t& tHost = tUsage[iIdx];
    host_figures_t& tFigures = tReport.tHosts[tReport.iHosts++];
    tFigures.szHost = tHost.ip;
    // The baseline is the counters' level before the range: only its slot 0 is taken out.
    const data_t* pBaseline = FindBaseline(tInit, tHost.ip);
    const double dInitialBytesIn = pBaseline != nullptr ? pBaseline->bytes_in[0] : 0;
    const double dInitialBytesOut = pBaseline != nullptr ? pBaseline->bytes_out[0] : 0;
    TakeOutBaseline(tHost.bytes_in, tHost.has_previous_in, tHost.first_bytes_in, tHost.first_day_in,
                    dInitialBytesIn, tFigures.dInDays, tFigures.dInTotal);
    TakeOutBaseline(tHost.bytes_out, tHost.has_previous_out, tHost.first_bytes_out,
                    tHost.first_day_out, dInitialBytesOut, tFigures.dOutDays, tFigures.dOutTotal);
    tReport.dInTotal += tFigures.dInTotal;
    tReport.dOutTotal += tFigures.dOutTotal;
  }
  if (tReport.iHosts > 0) {
    const int32_t iLastDay = GetDayIndex(start_date, end_date);
    tReport.iDays = (iLastDay < 0 ? 0 : iLastDay > kDaySlots - 1 ? kDaySlots - 1 : iLastDay) + 1;
  }
  for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
    FormatDayDate(tReport.uiFrom, iDay, tReport.szDays[iDay]);
  }
  // Whole bytes per day, and totals that are their sums, so that every per-day format adds up.
  for (int iIdx = 0; iIdx < tReport.iHosts; ++iIdx) {
    host_figures_t& tFigures = tReport.tHosts[iIdx];
    for (int32_t iDay = 0; iDay < tReport.iDays; ++iDay) {
      tFigures.llInDayBytes[iDay] = RoundToBytes(tFigures.dInDays[iDay]);
      tFigures.llOutDayBytes[iDay] = RoundToBytes(tFigures.dOutDays[iDay]);
      tFigures.llInBytes += tFigures.llInDayBytes[iDay];
      tFigures.llOutBytes += tFigures.llOutDayBytes[iDay];
      tReport.dInDays[iDay] += tFigures.dInDays[iDay];
      tReport.dOutDays[iDay] += tFigures.dOutDays[iDay];
    }
    tReport.llInBytes += tFigures.llInBytes;
    tReport.llOutBytes += tFigures.llOutBytes;
  }
}

bool HasDroppedReadings(const report_t& tReport) {
  return tReport.iHosts > 0 && GetDayIndex(tReport.uiFrom, tReport.uiTo) >= kDaySlots;
}
