// Building the report's figures from the usage and init tables.
#include "report/report.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

namespace {

bool IsBeforeDay(const day_figures_t& tFigures, int32_t iDay) { return tFigures.iDay < iDay; }

// The figures of a day in an ordered list, added in order when the day has none yet.
day_figures_t& GetDayFigures(std::vector<day_figures_t>& tDays, int32_t iDay) {
  if (!tDays.empty() && tDays.back().iDay == iDay) {
    return tDays.back();
  }
  const auto pDay = std::lower_bound(tDays.begin(), tDays.end(), iDay, IsBeforeDay);
  if (pDay != tDays.end() && pDay->iDay == iDay) {
    return *pDay;
  }
  return *tDays.insert(pDay, day_figures_t{iDay, 0, 0, 0, 0});
}

double SumDays(const day_series_t& tSeries) {
  double dSum = 0;
  for (const day_reading_t& tDay : tSeries.tDays) {
    dSum += tDay.bytes;
  }
  return dSum;
}

// One direction: the days as accounted, the baseline taken out of the total and of the day of
// the first reading. A first reading below the baseline means a reset in between.
void TakeOutBaseline(const day_series_t& tSeries, double dBaseline, bool bIncoming,
                     std::vector<day_figures_t>& tDays, double& dTotal) {
  for (const day_reading_t& tDay : tSeries.tDays) {
    (bIncoming ? GetDayFigures(tDays, tDay.iDay).dIn : GetDayFigures(tDays, tDay.iDay).dOut) =
        tDay.bytes;
  }
  dTotal = SumDays(tSeries);
  const bool bHasReading = !tSeries.tDays.empty();
  if (bHasReading && tSeries.first_bytes < dBaseline) {
    return;
  }
  dTotal -= dBaseline;
  if (dBaseline != 0) {
    day_figures_t& tFirst = GetDayFigures(tDays, bHasReading ? tSeries.first_day : 0);
    (bIncoming ? tFirst.dIn : tFirst.dOut) -= dBaseline;
  }
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

// Readings near 2^64 bytes overflow a 64-bit sum: it holds at the limit instead of wrapping.
void AddBytes(long long& llSum, long long llBytes) {
  if (__builtin_add_overflow(llSum, llBytes, &llSum)) {
    llSum = llBytes > 0 ? LLONG_MAX : LLONG_MIN;
  }
}

double GetBaselineDay(const host_table_t& tInit, int32_t iHost, bool bIncoming) {
  if (iHost < 0) {
    return 0;
  }
  const data_t& tBaseline = tInit.tHosts[static_cast<std::size_t>(iHost)];
  return GetDayBytes(bIncoming ? tBaseline.bytes_in : tBaseline.bytes_out, 0);
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
  for (const data_t& tHost : tUsage.tHosts) {
    // A host met only in a file that was refused as a whole holds no reading.
    if (tHost.bytes_in.tDays.empty() && tHost.bytes_out.tDays.empty()) {
      continue;
    }
    host_figures_t& tFigures = tReport.tHosts.emplace_back();
    tFigures.szHost = tHost.ip;
    // The baseline is the counters' level before the range: only its day 0 is taken out.
    const int32_t iBaseline = FindHost(tInit, tHost.ip);
    TakeOutBaseline(tHost.bytes_in, GetBaselineDay(tInit, iBaseline, true), true, tFigures.tDays,
                    tFigures.dInTotal);
    TakeOutBaseline(tHost.bytes_out, GetBaselineDay(tInit, iBaseline, false), false, tFigures.tDays,
                    tFigures.dOutTotal);
    tReport.dInTotal += tFigures.dInTotal;
    tReport.dOutTotal += tFigures.dOutTotal;
  }
  if (!tReport.tHosts.empty()) {
    const int32_t iLastDay = GetDayIndex(start_date, end_date);
    tReport.iDays = (iLastDay < 0 ? 0 : iLastDay) + 1;
  }
  // Whole bytes per day, and totals that are their sums, so that every per-day format adds up.
  for (host_figures_t& tFigures : tReport.tHosts) {
    for (day_figures_t& tDay : tFigures.tDays) {
      tDay.llIn = RoundToBytes(tDay.dIn);
      tDay.llOut = RoundToBytes(tDay.dOut);
      AddBytes(tFigures.llInBytes, tDay.llIn);
      AddBytes(tFigures.llOutBytes, tDay.llOut);
      day_figures_t& tAll = GetDayFigures(tReport.tDays, tDay.iDay);
      tAll.dIn += tDay.dIn;
      tAll.dOut += tDay.dOut;
    }
    AddBytes(tReport.llInBytes, tFigures.llInBytes);
    AddBytes(tReport.llOutBytes, tFigures.llOutBytes);
  }
}

day_figures_t GetNextDayFigures(day_cursor_t& tCursor, int32_t iDay) {
  const std::vector<day_figures_t>& tDays = *tCursor.pDays;
  while (tCursor.iNext < tDays.size() && tDays[tCursor.iNext].iDay < iDay) {
    ++tCursor.iNext;
  }
  if (tCursor.iNext < tDays.size() && tDays[tCursor.iNext].iDay == iDay) {
    return tDays[tCursor.iNext];
  }
  return day_figures_t{iDay, 0, 0, 0, 0};
}

void FormatReportDay(const report_t& tReport, int32_t iDay, char (&szDate)[kIsoDateBuf]) {
  FormatDayDate(tReport.uiFrom, iDay, szDate);
}
