// Tests of turning counter readings into daily traffic.
#include <gtest/gtest.h>

#include "accounting/records.h"

namespace {

struct reading_t {
  int32_t iDay;
  double dBytes;
  int32_t iNewDay;
};

// Feeds readings as the row accounting does: the first stored whole, then accumulated, the
// reading kept as its day's last after each.
std::vector<double> Accumulate(std::initializer_list<reading_t> tReadings) {
  day_series_t tSeries;
  bool bFirst = true;
  for (const reading_t& tReading : tReadings) {
    day_reading_t& tDay = bFirst ? GetDayReading(tSeries, tReading.iDay)
                                 : SetDailyBandwidthForHost(tReading.iDay, tReading.dBytes, tSeries,
                                                            tReading.iNewDay);
    if (bFirst) {
      tDay.bytes = tReading.dBytes;
      bFirst = false;
    }
    KeepReading(tSeries, tDay, tReading.dBytes);
  }
  std::vector<double> tDays;
  for (int32_t iDay = 0; iDay < 4; ++iDay) {
    tDays.push_back(GetDayBytes(tSeries, iDay));
  }
  return tDays;
}

}  // namespace

TEST(CounterDelta, AddsGrowthResetsAndFirstReadings) {
  const struct {
    const char* szCase;
    std::vector<double> tGot;
    std::vector<double> tExpected;
  } kCases[] = {
      {"growth then unchanged", Accumulate({{0, 5, 0}, {0, 8, 0}, {0, 8, 0}}), {8, 0, 0, 0}},
      {"flagged without a day before",
       Accumulate({{1, 5, 0}, {1, 8, 1}, {1, 8, 1}}),
       {0, 21, 0, 0}},
      {"reset counts the new reading", Accumulate({{0, 8, 0}, {0, 2, 0}}), {10, 0, 0, 0}},
      {"flagged file compares with the day before",
       Accumulate({{0, 8, 0}, {1, 10, 1}, {1, 12, 1}}),
       {8, 6, 0, 0}},
      {"only the first file flagged",
       Accumulate({{0, 8, 0}, {1, 10, 1}, {1, 12, 0}}),
       {8, 4, 0, 0}},
      {"an unflagged first reading of a day compares with the day before",
       Accumulate({{0, 8, 0}, {1, 10, 0}}),
       {8, 2, 0, 0}},
      {"a day whose earlier files lacked the host, after a gap of days",
       Accumulate({{0, 100, 0}, {3, 130, 0}}),
       {100, 0, 0, 30}},
      {"a day whose earlier files lacked the host, with a reset in between",
       Accumulate({{0, 100, 0}, {1, 110, 1}, {2, 4, 0}, {2, 6, 0}}),
       {100, 10, 6, 0}},
      {"a day's own reading still decides once it has one",
       Accumulate({{0, 8, 0}, {1, 10, 0}, {1, 9, 0}}),
       {8, 11, 0, 0}},
      {"readings out of day order keep each day's own",
       Accumulate({{2, 50, 0}, {0, 20, 1}, {2, 55, 0}, {1, 30, 0}}),
       {20, 10, 55, 0}},
      {"flag on slot 0 uses its own reading", Accumulate({{0, 8, 0}, {0, 11, 1}}), {11, 0, 0, 0}},
      {"zero reading adds nothing", Accumulate({{0, 8, 0}, {0, 0, 0}, {0, 0, 1}}), {8, 0, 0, 0}},
      {"negative reading adds nothing", Accumulate({{0, 8, 0}, {0, -3, 0}}), {8, 0, 0, 0}},
      {"a day without snapshots: compare with the day before it",
       Accumulate({{0, 100, 0}, {1, 110, 1}, {3, 120, 1}}),
       {100, 10, 0, 10}},
      {"a zero reading before the gap counts as a reading",
       Accumulate({{0, 8, 0}, {1, 0, 1}, {3, 5, 1}}),
       {8, 0, 0, 5}},
      {"a reset across the gap counts the new reading",
       Accumulate({{0, 100, 0}, {2, 30, 1}}),
       {100, 0, 30, 0}},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(tCase.tGot, tCase.tExpected) << tCase.szCase;
  }
}

TEST(DaySeries, GrowsByDoublingUpToTheDaysItCanComeTo) {
  const struct {
    std::size_t iDays;
    std::size_t iCapacity;
    std::size_t iMostDays;
    std::size_t iExpected;
  } kCases[] = {
      {1, 0, 0, 1}, {2, 1, 0, 2},   {3, 2, 0, 4},     {33, 32, 0, 64},
      {3, 8, 0, 8}, {9, 2, 0, 9},   {33, 32, 60, 60}, {61, 60, 60, 120},
      {3, 2, 3, 3}, {5, 4, 100, 8}, {33, 32, 33, 33}, {1, 0, 60, 1},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(GetDaySeriesCapacity(tCase.iDays, tCase.iCapacity, tCase.iMostDays), tCase.iExpected)
        << tCase.iDays << " days, room for " << tCase.iCapacity << ", at most " << tCase.iMostDays;
  }
}

TEST(DaySeries, HoldsItsDaysAndEveryDaysTrafficWhenItsLastDayIsKnown) {
  for (const int32_t iLength : {1, 2, 7, 31, 60, 365}) {
    day_series_t tSeries;
    for (int32_t iDay = 0; iDay < iLength; ++iDay) {
      const int32_t iDaysAfter = iLength - 1 - iDay;
      day_reading_t& tDay =
          iDay == 0 ? GetDayReading(tSeries, 0, iDaysAfter)
                    : SetDailyBandwidthForHost(iDay, 10.0 * (iDay + 1), tSeries, 1, iDaysAfter);
      KeepReading(tSeries, tDay, 10.0 * (iDay + 1));
    }
    EXPECT_EQ(tSeries.tDays.capacity(), static_cast<std::size_t>(iLength)) << iLength << " days";
    EXPECT_EQ(GetDayBytes(tSeries, 0), 0) << iLength;
    EXPECT_EQ(GetDayBytes(tSeries, iLength - 1), iLength == 1 ? 0 : 10) << iLength;
    EXPECT_EQ(tSeries.tDays.back().previous_bytes, 10.0 * iLength) << iLength;
  }
}
