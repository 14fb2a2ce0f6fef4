// Building the report's figures from the usage and init tables.
#include "report/report.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "addresses/address.h"

namespace {

template <class Day>
Day MakeEmptyDay(int32_t iDay) {
  Day tDay{};
  tDay.iDay = iDay;
  return tDay;
}

// The position of a day in an ordered list of days, added in order when the day has none yet
// (with zeros); `bAdded` says whether it was.
template <class Day>
std::size_t FindOrAddDay(std::vector<Day>& tDays, int32_t iDay, bool& bAdded) {
  bAdded = false;
  // Days come mostly in order: a new last day needs no search.
  if (tDays.empty() || tDays.back().iDay < iDay) {
    bAdded = true;
    tDays.push_back(MakeEmptyDay<Day>(iDay));
    return tDays.size() - 1;
  }
  if (tDays.back().iDay == iDay) {
    return tDays.size() - 1;
  }
  const auto pDay =
      std::lower_bound(tDays.begin(), tDays.end(), iDay,
                       [](const Day& tHeld, int32_t iWanted) { return tHeld.iDay < iWanted; });
  if (pDay != tDays.end() && pDay->iDay == iDay) {
    return static_cast<std::size_t>(pDay - tDays.begin());
  }
  bAdded = true;
  // The insertion may move the days: the position is taken from what it returns.
  const auto pAdded = tDays.insert(pDay, MakeEmptyDay<Day>(iDay));
  return static_cast<std::size_t>(pAdded - tDays.begin());
}

// The figures of a day in an ordered list, added in order when the day has none yet.
template <class Day>
Day& GetDayFigures(std::vector<Day>& tDays, int32_t iDay) {
  bool bAdded = false;
  return tDays[FindOrAddDay(tDays, iDay, bAdded)];
}

double SumDays(const day_series_t& tSeries) {
  double dSum = 0;
  for (const day_reading_t& tDay : tSeries.tDays) {
    dSum += tDay.bytes;
  }
  return dSum;
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

// The day iDay of an ordered list of days, walked from iAt onwards (days asked in ascending
// order), added in order when the list has none.
template <class Day>
Day& WalkToDay(std::vector<Day>& tDays, std::size_t& iAt, int32_t iDay) {
  while (iAt < tDays.size() && tDays[iAt].iDay < iDay) {
    ++iAt;
  }
  if (iAt == tDays.size() || tDays[iAt].iDay != iDay) {
    tDays.insert(tDays.begin() + static_cast<std::ptrdiff_t>(iAt), MakeEmptyDay<Day>(iDay));
  }
  return tDays[iAt];
}

// One direction of a host: calls fOnDay(day, MB) for each day as the report counts it, in
// ascending order, with the baseline taken out of the day of the first reading. A first
// reading below the baseline means a reset in between: it counts whole. Returns the total,
// the days summed in order less the baseline.
template <class OnDay>
double CountDirectionDays(const day_series_t& tSeries, double dBaseline, OnDay&& fOnDay) {
  // Without a reading of this direction in the range there is nothing to take the baseline
  // from: the host's rule went away, and it moved nothing.
  const bool bBaseline =
      !tSeries.tDays.empty() && !(tSeries.first_bytes < dBaseline) && dBaseline != 0;
  bool bTaken = !bBaseline;
  for (const day_reading_t& tDay : tSeries.tDays) {
    if (!bTaken && tSeries.first_day <= tDay.iDay) {
      bTaken = true;
      if (tSeries.first_day < tDay.iDay) {
        fOnDay(tSeries.first_day, 0 - dBaseline);
      } else {
        fOnDay(tDay.iDay, tDay.bytes - dBaseline);
        continue;
      }
    }
    fOnDay(tDay.iDay, tDay.bytes);
  }
  if (!bTaken) {
    fOnDay(tSeries.first_day, 0 - dBaseline);
  }
  const double dTotal = SumDays(tSeries);
  return tSeries.tDays.empty() || tSeries.first_bytes < dBaseline ? dTotal : dTotal - dBaseline;
}

}  // namespace

bool ParseReportType(const char* szArgument, report_type_t& eType) {
  // A number as atoi reads one: blanks, a sign, then at least one digit.
  std::string_view szType(szArgument);
  const std::size_t iFirst = szType.find_first_not_of(" \t\n\v\f\r");
  const std::string_view szNumber =
      iFirst == std::string_view::npos ? std::string_view() : szType.substr(iFirst);
  const std::size_t iDigit = !szNumber.empty() && (szNumber[0] == '-' || szNumber[0] == '+');
  if (szNumber.size() > iDigit && szNumber[iDigit] >= '0' && szNumber[iDigit] <= '9') {
    switch (ParseInt(szArgument)) {
      case 0: eType = report_type_t::kConsole; break;
      case 1: eType = report_type_t::kHtml; break;
      default: eType = report_type_t::kNone; break;
    }
    return true;
  }
  constexpr struct {
    std::string_view szWord;
    report_type_t eType;
  } kWords[] = {
      {"console", report_type_t::kConsole}, {"html", report_type_t::kHtml},
      {"csv", report_type_t::kCsv},         {"json", report_type_t::kJson},
      {"daily", report_type_t::kDaily},     {"monthly", report_type_t::kMonthly},
  };
  for (const auto& tWord : kWords) {
    if (EqualsIgnoreCase(szType, tWord.szWord)) {
      eType = tWord.eType;
      return true;
    }
  }
  return false;
}

void BuildReport(host_table_t& tUsage, const host_table_t& tInit, date_number_t uiFrom,
                 date_number_t uiTo, report_t& tReport, bool bKeepDays) {
  tReport = {};
  tReport.uiFrom = uiFrom;
  tReport.uiTo = uiTo;
  // The days run to the end date, and past it where a name's date carries a day or a month
  // over (20261199 is a day of February) and so lands later than its number says.
  int32_t iLastDay = GetDayIndex(uiFrom, uiTo);
  for (data_t& tHost : tUsage.tHosts) {
    // A host met only in a file that was refused as a whole holds no reading.
    if (tHost.bytes_in.tDays.empty() && tHost.bytes_out.tDays.empty()) {
      continue;
    }
    host_figures_t& tFigures = tReport.tHosts.emplace_back();
    tFigures.szHost.assign(GetHostKey(tHost));
    tFigures.szName = tHost.szComment;
    // The baseline is the counters' level before the range: only its day 0 is taken out. The
    // baseline's listing mostly keeps the hosts' order.
    const std::size_t iAt = static_cast<std::size_t>(&tHost - tUsage.tHosts.data());
    const int32_t iBaseline =
        iAt < tInit.tHosts.size() && GetHostKey(tInit.tHosts[iAt]) == GetHostKey(tHost)
            ? static_cast<int32_t>(iAt)
            : FindHost(tInit, GetHostKey(tHost));
    if (bKeepDays) {
      tFigures.tDays.reserve(std::max(tHost.bytes_in.tDays.size(), tHost.bytes_out.tDays.size()));
    }
    // Whole bytes per day, and totals that are their sums, so that every per-day format adds
    // up; each direction walks the host's days and the days of all hosts once.
    for (const bool bIncoming : {true, false}) {
      std::size_t iAll = 0;
      std::size_t iOwn = 0;
      long long& llBytes = bIncoming ? tFigures.llInBytes : tFigures.llOutBytes;
      const double dTotal = CountDirectionDays(
          bIncoming ? tHost.bytes_in : tHost.bytes_out, GetBaselineDay(tInit, iBaseline, bIncoming),
          [&](int32_t iDay, double dMegabytes) {
            AddBytes(llBytes, RoundToBytes(dMegabytes));
            day_figures_t& tAll = WalkToDay(tReport.tDays, iAll, iDay);
            (bIncoming ? tAll.dIn : tAll.dOut) += dMegabytes;
            iLastDay = std::max(iLastDay, iDay);
            if (bKeepDays) {
              day_amount_t& tOwn = WalkToDay(tFigures.tDays, iOwn, iDay);
              (bIncoming ? tOwn.dIn : tOwn.dOut) = dMegabytes;
            }
          });
      (bIncoming ? tFigures.dInTotal : tFigures.dOutTotal) = dTotal;
    }
    tReport.dInTotal += tFigures.dInTotal;
    tReport.dOutTotal += tFigures.dOutTotal;
    AddBytes(tReport.llInBytes, tFigures.llInBytes);
    AddBytes(tReport.llOutBytes, tFigures.llOutBytes);
    if (bKeepDays) {
      // Released as they are taken: the host's figures take the room its readings leave.
      std::vector<day_reading_t>().swap(tHost.bytes_in.tDays);
      std::vector<day_reading_t>().swap(tHost.bytes_out.tDays);
    }
  }
  if (!tReport.tHosts.empty()) {
    tReport.iDays = (iLastDay < 0 ? 0 : iLastDay) + 1;
  }
}

day_figures_t GetHostDayFigures(const host_figures_t& tHost, std::size_t iIndex) {
  const day_amount_t& tDay = tHost.tDays[iIndex];
  if (iIndex < tHost.tDayBytes.size()) {
    const day_bytes_t& tBytes = tHost.tDayBytes[iIndex];
    return day_figures_t{tDay.iDay, tDay.dIn, tDay.dOut, tBytes.llIn, tBytes.llOut};
  }
  return day_figures_t{tDay.iDay, tDay.dIn, tDay.dOut, RoundToBytes(tDay.dIn),
                       RoundToBytes(tDay.dOut)};
}

day_figures_t GetNextDayFigures(day_cursor_t& tCursor, int32_t iDay) {
  const std::vector<day_amount_t>& tDays = tCursor.pHost->tDays;
  while (tCursor.iNext < tDays.size() && tDays[tCursor.iNext].iDay < iDay) {
    ++tCursor.iNext;
  }
  if (tCursor.iNext < tDays.size() && tDays[tCursor.iNext].iDay == iDay) {
    return GetHostDayFigures(*tCursor.pHost, tCursor.iNext);
  }
  return day_figures_t{iDay, 0, 0, 0, 0};
}

void FormatReportDay(const report_t& tReport, int32_t iDay, char (&szDate)[kIsoDateBuf]) {
  FormatDayDate(tReport.uiFrom, iDay, szDate);
}

namespace {

double GetOrderBytes(const host_figures_t& tHost, host_order_t eOrder) {
  switch (eOrder) {
    case host_order_t::kIn: return tHost.dInTotal;
    case host_order_t::kOut: return tHost.dOutTotal;
    default: return tHost.dInTotal + tHost.dOutTotal;
  }
}

// Adds a host's days into a sum of hosts, which holds its days' whole bytes beside them from
// the first host added on.
void AddHostDays(host_figures_t& tSum, const host_figures_t& tHost) {
  if (tSum.tDayBytes.size() != tSum.tDays.size()) {
    tSum.tDayBytes.clear();
    for (const day_amount_t& tDay : tSum.tDays) {
      tSum.tDayBytes.push_back(day_bytes_t{RoundToBytes(tDay.dIn), RoundToBytes(tDay.dOut)});
    }
  }
  for (std::size_t iIndex = 0; iIndex < tHost.tDays.size(); ++iIndex) {
    const day_figures_t tDay = GetHostDayFigures(tHost, iIndex);
    bool bAdded = false;
    const std::size_t iInto = FindOrAddDay(tSum.tDays, tDay.iDay, bAdded);
    if (bAdded) {
      tSum.tDayBytes.insert(tSum.tDayBytes.begin() + static_cast<std::ptrdiff_t>(iInto),
                            day_bytes_t{0, 0});
    }
    day_amount_t& tInto = tSum.tDays[iInto];
    tInto.dIn += tDay.dIn;
    tInto.dOut += tDay.dOut;
    day_bytes_t& tBytes = tSum.tDayBytes[iInto];
    AddBytes(tBytes.llIn, tDay.llIn);
    AddBytes(tBytes.llOut, tDay.llOut);
  }
}

// A period as a number from an epoch: a month (year * 12 + month - 1) that starts on the
// period start day, an ISO week (Monday to Sunday), or a day.
long long CountPeriodNumber(const report_t& tReport, report_period_t ePeriod, int32_t iDay) {
  const long long llDays = CountEpochDays(tReport.uiFrom, iDay);
  switch (ePeriod) {
    case report_period_t::kDay: return llDays;
    case report_period_t::kWeek: {
      // 1970-01-01 was a Thursday: three days after a Monday.
      const long long llShifted = llDays + 3;
      return llShifted >= 0 ? llShifted / 7 : -((-llShifted + 6) / 7);
    }
    case report_period_t::kMonth: break;
  }
  long long llYear = 0;
  int iMonth = 0;
  int iDayOfMonth = 0;
  ConvertEpochDays(llDays, llYear, iMonth, iDayOfMonth);
  return CountBillingMonth(llYear, iMonth, iDayOfMonth, tReport.tOptions.iPeriodStart);
}

}  // namespace

snapshot_stamp_t MakeSnapshotStamp(std::string_view szStamp) {
  snapshot_stamp_t tStamp = {};
  szStamp.substr(szStamp.size() > tStamp.size() ? szStamp.size() - tStamp.size() : 0)
      .copy(tStamp.data(), tStamp.size());
  return tStamp;
}

void CountReportSnapshots(std::vector<snapshot_stamp_t> tStamps, report_t& tReport) {
  tReport.tSnapshots.clear();
  if (tReport.iDays == 0) {
    return;
  }
  // Each direction's stamps come in order: two runs to merge, not a list to sort.
  const auto pSecondRun = std::is_sorted_until(tStamps.begin(), tStamps.end());
  if (std::is_sorted(pSecondRun, tStamps.end())) {
    std::inplace_merge(tStamps.begin(), pSecondRun, tStamps.end());
  } else {
    std::sort(tStamps.begin(), tStamps.end());
  }
  tStamps.erase(std::unique(tStamps.begin(), tStamps.end()), tStamps.end());
  // A day's snapshots share their date: its day is counted once (a year holds 100,000 stamps).
  const snapshot_stamp_t* pDayOf = nullptr;
  int32_t iDay = 0;
  for (const snapshot_stamp_t& tStamp : tStamps) {
    if (pDayOf == nullptr || !std::equal(tStamp.begin(), tStamp.begin() + 8, pDayOf->begin())) {
      char szDate[9] = {};
      std::copy_n(tStamp.begin(), 8, szDate);
      const int32_t iIndex = GetDayIndex(tReport.uiFrom, ParseDateNumber(szDate));
      iDay = iIndex < 0 ? 0 : iIndex;
      pDayOf = &tStamp;
    }
    if (tReport.tSnapshots.empty() || tReport.tSnapshots.back().iDay != iDay) {
      tReport.tSnapshots.push_back(day_snapshots_t{iDay, 0});
    }
    ++tReport.tSnapshots.back().iSnapshots;
  }
}

bool MarkReportLoss(std::string_view szLastGood, std::string_view szFound, std::string_view szWhat,
                    report_t& tReport) {
  date_number_t uiLastGood = 0;
  date_number_t uiFound = 0;
  if (tReport.iDays == 0 || szLastGood.size() != 14 || szFound.size() != 14 ||
      !ReadCalendarDate(szLastGood.substr(0, 8), uiLastGood) ||
      !ReadCalendarDate(szFound.substr(0, 8), uiFound)) {
    return false;
  }
  const long long llFrom = CountEpochDays(tReport.uiFrom, 0);
  const long long llFound = CountEpochDays(uiFound, 0) - llFrom;
  const long long llFirst = std::min(CountEpochDays(uiLastGood, 0) - llFrom + 1, llFound);
  if (llFound < 0 || llFirst >= tReport.iDays) {
    return false;
  }
  const auto Moment = [](std::string_view szStamp) {
    char szMoment[32];
    std::snprintf(szMoment, sizeof szMoment, "%.4s-%.2s-%.2s %.2s:%.2s:%.2s", szStamp.data(),
                  szStamp.data() + 4, szStamp.data() + 6, szStamp.data() + 8, szStamp.data() + 10,
                  szStamp.data() + 12);
    return std::string(szMoment);
  };
  tReport.tLosses.push_back(
      {static_cast<int32_t>(std::max(llFirst, 0LL)),
       static_cast<int32_t>(std::min(llFound, static_cast<long long>(tReport.iDays) - 1)),
       std::string(szWhat) + "; the last good snapshot " + Moment(szLastGood) + ", found " +
           Moment(szFound)});
  return true;
}

std::string FormatLossNotice(const report_t& tReport, const loss_window_t& tLoss) {
  char szFirst[kIsoDateBuf];
  char szLast[kIsoDateBuf];
  FormatReportDay(tReport, tLoss.iFirstDay, szFirst);
  FormatReportDay(tReport, tLoss.iLastDay, szLast);
  std::string szNotice = "traffic may be missing ";
  szNotice += tLoss.iFirstDay == tLoss.iLastDay ? std::string("on ") + szFirst
                                                : std::string("from ") + szFirst + " to " + szLast;
  return szNotice + ": " + tLoss.szWhy;
}

const loss_window_t* FindDayLoss(const report_t& tReport, int32_t iDay) {
  for (const loss_window_t& tLoss : tReport.tLosses) {
    if (tLoss.iFirstDay <= iDay && iDay <= tLoss.iLastDay) {
      return &tLoss;
    }
  }
  return nullptr;
}

const loss_window_t* FindPeriodLoss(const report_t& tReport, report_period_t ePeriod,
                                    int32_t iPeriod) {
  for (const loss_window_t& tLoss : tReport.tLosses) {
    for (int32_t iDay = tLoss.iFirstDay; iDay <= tLoss.iLastDay; ++iDay) {
      if (GetReportPeriodOfDay(tReport, ePeriod, iDay) == static_cast<std::size_t>(iPeriod)) {
        return &tLoss;
      }
    }
  }
  return nullptr;
}

int32_t GetDaySnapshots(const report_t& tReport, int32_t iDay) {
  const auto pDay = std::lower_bound(
      tReport.tSnapshots.begin(), tReport.tSnapshots.end(), iDay,
      [](const day_snapshots_t& tSnapshots, int32_t iWanted) { return tSnapshots.iDay < iWanted; });
  return pDay != tReport.tSnapshots.end() && pDay->iDay == iDay ? pDay->iSnapshots : 0;
}

int32_t CountPeriodSnapshots(const report_t& tReport, report_period_t ePeriod, int32_t iPeriod) {
  int32_t iSnapshots = 0;
  for (const day_snapshots_t& tDay : tReport.tSnapshots) {
    if (tDay.iDay < tReport.iDays &&
        GetReportPeriodOfDay(tReport, ePeriod, tDay.iDay) == static_cast<std::size_t>(iPeriod)) {
      iSnapshots += tDay.iSnapshots;
    }
  }
  return iSnapshots;
}

std::vector<uncounted_t> FindUncountedRows(const report_t& tReport) {
  std::vector<uncounted_t> tRows;
  for (const host_figures_t& tHost : tReport.tHosts) {
    const std::string_view szKey = tHost.szHost;
    const std::size_t iColon = szKey.find(':');
    if (!szKey.starts_with('!') || iColon == std::string_view::npos || iColon < 2 ||
        iColon + 1 == szKey.size() ||
        !std::all_of(szKey.begin() + 1, szKey.begin() + static_cast<std::ptrdiff_t>(iColon),
                     [](char cChar) { return cChar >= 'a' && cChar <= 'z'; }) ||
        (tHost.llInBytes == 0 && tHost.llOutBytes == 0)) {
      continue;
    }
    tRows.push_back({std::string(szKey.substr(1, iColon - 1)),
                     std::string(szKey.substr(iColon + 1)), tHost.llInBytes, tHost.llOutBytes});
  }
  return tRows;
}

void GroupReportHosts(report_t& tReport) {
  std::vector<host_figures_t> tRows;
  std::unordered_map<std::string, std::size_t> tGroupOf;
  for (host_figures_t& tHost : tReport.tHosts) {
    // A client chooses its lease's name: it never merges its bill with another.
    if (tHost.szName.empty() || tHost.bLeaseName) {
      tRows.push_back(std::move(tHost));
      continue;
    }
    const auto [pGroup, bNew] = tGroupOf.emplace(tHost.szName, tRows.size());
    if (bNew) {
      host_figures_t& tGroup = tRows.emplace_back(std::move(tHost));
      tGroup.tMembers = {tGroup.szHost};
      tGroup.szHost = tGroup.szName;
      continue;
    }
    host_figures_t& tGroup = tRows[pGroup->second];
    tGroup.tMembers.push_back(tHost.szHost);
    AddHostDays(tGroup, tHost);
    tGroup.dInTotal += tHost.dInTotal;
    tGroup.dOutTotal += tHost.dOutTotal;
    AddBytes(tGroup.llInBytes, tHost.llInBytes);
    AddBytes(tGroup.llOutBytes, tHost.llOutBytes);
  }
  tReport.tHosts = std::move(tRows);
}

const std::string& GetHostNameOnDay(const host_figures_t& tHost, int32_t iDay) {
  if (iDay >= 0 && static_cast<std::size_t>(iDay) < tHost.tDayNames.size()) {
    return tHost.tDayNames[static_cast<std::size_t>(iDay)];
  }
  return tHost.szName;
}

const std::string& GetHostNameInPeriod(const report_t& tReport, report_period_t ePeriod,
                                       const host_figures_t& tHost, int32_t iPeriod) {
  int32_t iLast = -1;
  for (int32_t iDay = 0; iDay < static_cast<int32_t>(tHost.tDayNames.size()); ++iDay) {
    if (GetReportPeriodOfDay(tReport, ePeriod, iDay) == static_cast<std::size_t>(iPeriod)) {
      iLast = iDay;
    }
  }
  return GetHostNameOnDay(tHost, iLast);
}

void KeepHostsOver(long long llOverBytes, report_t& tReport) {
  std::erase_if(tReport.tHosts, [llOverBytes](const host_figures_t& tHost) {
    long long llTotal = 0;
    AddBytes(llTotal, tHost.llInBytes);
    AddBytes(llTotal, tHost.llOutBytes);
    return llTotal <= llOverBytes;
  });
}

void ApplyReportOptions(const report_options_t& tOptions, bool bPage, report_t& tReport) {
  tReport.tOptions = tOptions;
  if (tOptions.bGroupByName) {
    GroupReportHosts(tReport);
  }
  // A group's total is what passes the size, not its members' one by one.
  if (tOptions.llOverBytes >= 0) {
    KeepHostsOver(tOptions.llOverBytes, tReport);
  }
  host_order_t eOrder = tOptions.eOrder;
  if (!tOptions.bOrderGiven && bPage) {
    eOrder = host_order_t::kTotal;
  }
  if (eOrder == host_order_t::kHost) {
    // Each key read as an address once, not once per comparison.
    std::vector<std::pair<address_t, host_figures_t>> tKeyed;
    tKeyed.reserve(tReport.tHosts.size());
    for (host_figures_t& tHost : tReport.tHosts) {
      address_t tAddress;
      ReadAddress(tHost.szHost, tAddress);
      tKeyed.emplace_back(tAddress, std::move(tHost));
    }
    std::stable_sort(tKeyed.begin(), tKeyed.end(), [](const auto& tLeft, const auto& tRight) {
      return IsBeforeByAddress(tLeft.first, tLeft.second.szHost, tRight.first,
                               tRight.second.szHost);
    });
    for (std::size_t iIdx = 0; iIdx < tKeyed.size(); ++iIdx) {
      tReport.tHosts[iIdx] = std::move(tKeyed[iIdx].second);
    }
  } else if (eOrder != host_order_t::kFirstSeen) {
    std::stable_sort(tReport.tHosts.begin(), tReport.tHosts.end(),
                     [eOrder](const host_figures_t& tLeft, const host_figures_t& tRight) {
                       return GetOrderBytes(tLeft, eOrder) > GetOrderBytes(tRight, eOrder);
                     });
  }
  const std::size_t iHosts = tReport.tHosts.size();
  tReport.iShown = tOptions.iTop > 0 && static_cast<std::size_t>(tOptions.iTop) < iHosts
                       ? static_cast<std::size_t>(tOptions.iTop)
                       : iHosts;
  tReport.tOthers = host_figures_t{};
  for (std::size_t iIdx = tReport.iShown; iIdx < iHosts; ++iIdx) {
    const host_figures_t& tHost = tReport.tHosts[iIdx];
    tReport.tOthers.dInTotal += tHost.dInTotal;
    tReport.tOthers.dOutTotal += tHost.dOutTotal;
    AddBytes(tReport.tOthers.llInBytes, tHost.llInBytes);
    AddBytes(tReport.tOthers.llOutBytes, tHost.llOutBytes);
    AddHostDays(tReport.tOthers, tHost);
  }
}

int32_t CountReportPeriods(const report_t& tReport, report_period_t ePeriod) {
  if (tReport.iDays == 0) {
    return 0;
  }
  return static_cast<int32_t>(CountPeriodNumber(tReport, ePeriod, tReport.iDays - 1) -
                              CountPeriodNumber(tReport, ePeriod, 0) + 1);
}

std::vector<period_figures_t> SumHostPeriods(const report_t& tReport, report_period_t ePeriod,
                                             const host_figures_t& tHost) {
  std::vector<period_figures_t> tPeriods;
  const long long llFirst = CountPeriodNumber(tReport, ePeriod, 0);
  for (std::size_t iIndex = 0; iIndex < tHost.tDays.size(); ++iIndex) {
    const day_figures_t tDay = GetHostDayFigures(tHost, iIndex);
    const auto iPeriod =
        static_cast<int32_t>(CountPeriodNumber(tReport, ePeriod, tDay.iDay) - llFirst);
    if (tPeriods.empty() || tPeriods.back().iPeriod != iPeriod) {
      tPeriods.push_back(period_figures_t{iPeriod, 0, 0, 0, 0});
    }
    period_figures_t& tPeriod = tPeriods.back();
    tPeriod.dIn += tDay.dIn;
    tPeriod.dOut += tDay.dOut;
    AddBytes(tPeriod.llIn, tDay.llIn);
    AddBytes(tPeriod.llOut, tDay.llOut);
  }
  return tPeriods;
}

std::size_t GetReportPeriodOfDay(const report_t& tReport, report_period_t ePeriod, int32_t iDay) {
  return static_cast<std::size_t>(CountPeriodNumber(tReport, ePeriod, iDay) -
                                  CountPeriodNumber(tReport, ePeriod, 0));
}

void FormatReportPeriod(const report_t& tReport, report_period_t ePeriod, int32_t iPeriod,
                        bool bShort, char (&szPeriod)[kPeriodBuf]) {
  const long long llNumber = CountPeriodNumber(tReport, ePeriod, 0) + iPeriod;
  long long llYear = 0;
  int iMonth = 0;
  int iDay = 0;
  if (ePeriod == report_period_t::kDay) {
    ConvertEpochDays(llNumber, llYear, iMonth, iDay);
    std::snprintf(szPeriod, sizeof szPeriod, "%04lld-%02d-%02d", llYear, iMonth, iDay);
    return;
  }
  if (ePeriod == report_period_t::kWeek) {
    // The ISO week's year is the year of its Thursday.
    ConvertEpochDays(llNumber * 7, llYear, iMonth, iDay);
    const long long llDayOfYear = llNumber * 7 - CountEpochDaysOf(llYear, 1, 1);
    std::snprintf(szPeriod, sizeof szPeriod, "%04lld-W%02lld", llYear, llDayOfYear / 7 + 1);
    return;
  }
  const long long llFirstYear = llNumber / 12;
  const int iFirstMonth = static_cast<int>(llNumber % 12) + 1;
  const int iStart = tReport.tOptions.iPeriodStart;
  if (iStart <= 1) {
    std::snprintf(szPeriod, sizeof szPeriod, "%04lld-%02d", llFirstYear, iFirstMonth);
    return;
  }
  // From the start day of one month to the day before the start day of the next.
  long long llFirst = 0;
  long long llLast = 0;
  GetBillingMonthDays(llNumber, iStart, llFirst, llLast);
  ConvertEpochDays(llLast, llYear, iMonth, iDay);
  if (bShort) {
    std::snprintf(szPeriod, sizeof szPeriod, "%02d-%02d/%02d-%02d", iFirstMonth, iStart, iMonth,
                  iDay);
  } else {
    std::snprintf(szPeriod, sizeof szPeriod, "%04lld-%02d-%02d/%04lld-%02d-%02d", llFirstYear,
                  iFirstMonth, iStart, llYear, iMonth, iDay);
  }
}

period_span_t GetPeriodSpan(const report_t& tReport, report_period_t ePeriod, int32_t iPeriod) {
  const long long llNumber = CountPeriodNumber(tReport, ePeriod, 0) + iPeriod;
  period_span_t tSpan = {llNumber, llNumber, 0, 0};
  if (ePeriod == report_period_t::kWeek) {
    // Week 0 began on Monday 1969-12-29, three days before the epoch.
    tSpan.llFirst = llNumber * 7 - 3;
    tSpan.llLast = tSpan.llFirst + 6;
  } else if (ePeriod == report_period_t::kMonth) {
    GetBillingMonthDays(llNumber, tReport.tOptions.iPeriodStart, tSpan.llFirst, tSpan.llLast);
  }
  const long long llFrom = CountEpochDays(tReport.uiFrom, 0);
  const long long llTo = CountEpochDays(tReport.uiFrom, tReport.iDays > 0 ? tReport.iDays - 1 : 0);
  tSpan.llCoveredFirst = std::max(tSpan.llFirst, llFrom);
  tSpan.llCoveredLast = std::min(tSpan.llLast, llTo);
  return tSpan;
}

void FormatPeriodCoverage(const period_span_t& tSpan, char (&szCoverage)[kPeriodBuf]) {
  szCoverage[0] = '\0';
  if (IsPeriodPartial(tSpan)) {
    std::snprintf(szCoverage, sizeof szCoverage, ", %lld of %lld days",
                  tSpan.llCoveredLast - tSpan.llCoveredFirst + 1, tSpan.llLast - tSpan.llFirst + 1);
  }
}

void FormatEpochDay(long long llDays, char (&szDate)[kIsoDateBuf]) {
  long long llYear = 0;
  int iMonth = 0;
  int iDay = 0;
  ConvertEpochDays(llDays, llYear, iMonth, iDay);
  std::snprintf(szDate, sizeof szDate, "%04lld-%02d-%02d", llYear, iMonth, iDay);
}

bool GetMarkedPeriod(const report_t& tReport, report_period_t& ePeriod) {
  ePeriod = tReport.tOptions.eBy;
  if (ePeriod == report_period_t::kDay && tReport.tOptions.iPeriodStart > 1) {
    ePeriod = report_period_t::kMonth;
  }
  return ePeriod != report_period_t::kDay && tReport.iDays > 0;
}

std::vector<partial_period_t> ListPartialPeriods(const report_t& tReport) {
  std::vector<partial_period_t> tPartial;
  report_period_t ePeriod = report_period_t::kDay;
  if (!GetMarkedPeriod(tReport, ePeriod)) {
    return tPartial;
  }
  // Only the first and the last period can stick out of the report's days.
  const int32_t iPeriods = CountReportPeriods(tReport, ePeriod);
  for (int32_t iPeriod = 0; iPeriod<iPeriods; iPeriod += iPeriods> 1 ? iPeriods - 1 : 1) {
    const period_span_t tSpan = GetPeriodSpan(tReport, ePeriod, iPeriod);
    if (!IsPeriodPartial(tSpan)) {
      continue;
    }
    char szLabel[kPeriodBuf];
    char szCoverage[kPeriodBuf];
    char szFirst[kIsoDateBuf];
    char szLast[kIsoDateBuf];
    FormatReportPeriod(tReport, ePeriod, iPeriod, false, szLabel);
    FormatPeriodCoverage(tSpan, szCoverage);
    FormatEpochDay(tSpan.llCoveredFirst, szFirst);
    FormatEpochDay(tSpan.llCoveredLast, szLast);
    tPartial.push_back({std::string(szLabel) + szCoverage, szFirst, szLast});
  }
  return tPartial;
}

host_label_t GetHostLabel(const host_figures_t& tHost) {
  host_label_t tLabel = {tHost.szHost, tHost.tMembers.empty() ? tHost.szName : "", ""};
  for (const std::string& szMember : tHost.tMembers) {
    tLabel.szTip += (tLabel.szTip.empty() ? "" : ", ") + szMember;
  }
  return tLabel;
}

std::string GetHostTitle(const report_t& tReport, const host_figures_t& tHost) {
  const host_label_t tLabel = GetHostLabel(tHost);
  if (!tReport.tOptions.bNames || tLabel.szName.empty()) {
    return tLabel.szTitle;
  }
  return tLabel.szTitle + ' ' + tLabel.szName;
}
