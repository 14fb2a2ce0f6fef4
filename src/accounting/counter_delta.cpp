// Turning one cumulative counter reading into traffic of its day.
#include <algorithm>

#include "accounting/records.h"

namespace {

bool IsBeforeDay(const day_reading_t& tReading, int32_t iDay) { return tReading.iDay < iDay; }

// The first day of the series on or after iDay. Readings mostly come in date order, so the
// last day is looked at first.
std::vector<day_reading_t>::iterator FindDay(std::vector<day_reading_t>& tDays, int32_t iDay) {
  if (tDays.empty() || tDays.back().iDay < iDay) {
    return tDays.end();
  }
  if (tDays.back().iDay == iDay) {
    return tDays.end() - 1;
  }
  return std::lower_bound(tDays.begin(), tDays.end(), iDay, IsBeforeDay);
}

// Adds a day before pDay, growing the series by doubling, but never past the days it can still
// come to: a host read on every day of the range then holds exactly its days.
day_reading_t& InsertDay(std::vector<day_reading_t>& tDays,
                         std::vector<day_reading_t>::iterator pDay, const day_reading_t& tDay,
                         int32_t iDaysAfter) {
  const auto iAt = pDay - tDays.begin();
  const std::size_t iMostDays =
      iDaysAfter < 0 ? 0 : tDays.size() + 1 + static_cast<std::size_t>(iDaysAfter);
  tDays.reserve(GetDaySeriesCapacity(tDays.size() + 1, tDays.capacity(), iMostDays));
  return *tDays.insert(tDays.begin() + iAt, tDay);
}

}  // namespace

std::size_t GetDaySeriesCapacity(std::size_t iDays, std::size_t iCapacity, std::size_t iMostDays) {
  if (iDays <= iCapacity) {
    return iCapacity;
  }
  std::size_t iGrown = iCapacity * 2 > iDays ? iCapacity * 2 : iDays;
  if (iMostDays >= iDays && iGrown > iMostDays) {
    iGrown = iMostDays;
  }
  return iGrown;
}

day_reading_t& GetDayReading(day_series_t& tSeries, int32_t iday_index, int32_t iDaysAfter) {
  const auto pDay = FindDay(tSeries.tDays, iday_index);
  if (pDay != tSeries.tDays.end() && pDay->iDay == iday_index) {
    return *pDay;
  }
  return InsertDay(tSeries.tDays, pDay, day_reading_t{iday_index, 0, 0}, iDaysAfter);
}

double GetDayBytes(const day_series_t& tSeries, int32_t iday_index) {
  const auto pDay =
      std::lower_bound(tSeries.tDays.begin(), tSeries.tDays.end(), iday_index, IsBeforeDay);
  return pDay != tSeries.tDays.end() && pDay->iDay == iday_index ? pDay->bytes : 0;
}

void KeepReading(day_series_t& tSeries, day_reading_t& tDay, double bytes) {
  if (!tSeries.bHasFirst) {
    tSeries.bHasFirst = true;
    tSeries.first_bytes = bytes;
    tSeries.first_day = tDay.iDay;
  }
  tDay.previous_bytes = bytes;
}

day_reading_t& SetDailyBandwidthForHost(int32_t iday_index, double bytes, day_series_t& tSeries,
                                        int32_t iLogFileIsOnANewDate, int32_t iDaysAfter) {
  const auto pDay = FindDay(tSeries.tDays, iday_index);
  const bool bDayHasReading = pDay != tSeries.tDays.end() && pDay->iDay == iday_index;
  // The first file of a new day compares with the last reading before it, so the growth
  // between two days' snapshots is credited to the new day. So does a day whose earlier files
  // lacked the host: comparing with nothing would count the host's whole counter. A day
  // without snapshots has no entry, so the look-back reaches the latest day that has one.
  double previous_bytes = 0;
  if (bDayHasReading && (iLogFileIsOnANewDate == 0 || iday_index == 0)) {
    previous_bytes = pDay->previous_bytes;
  } else if (pDay != tSeries.tDays.begin()) {
    previous_bytes = (pDay - 1)->previous_bytes;
  }
  double dAddBytes = 0;
  if (bytes > 0 && previous_bytes > 0 && bytes > previous_bytes) {
    dAddBytes = bytes - previous_bytes;
  } else if (bytes > 0 && ((previous_bytes > 0 && bytes < previous_bytes) || previous_bytes == 0)) {
    // A counter that went down was reset, and a reading without an earlier one has nothing to
    // compare with: either way the whole reading is new traffic.
    dAddBytes = bytes;
  }
  // An unchanged reading adds nothing, and neither does a reading of 0; the day is still one
  // that holds a reading.
  if (bDayHasReading) {
    pDay->bytes += dAddBytes;
    return *pDay;
  }
  return InsertDay(tSeries.tDays, pDay, day_reading_t{iday_index, dAddBytes, 0}, iDaysAfter);
}
