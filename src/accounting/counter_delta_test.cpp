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
// previous reading updated after each.
std::vector<double> Accumulate(std::initializer_list<reading_t> tReadings) {
  day_slots_t tBytes = {};
  day_slots_t tPrevious = {};
  day_marks_t tHasPrevious = {};
  bool bFirst = true;
  for (const reading_t& tReading : tReadings) {
    if (bFirst) {
      tBytes[tReading.iDay] = tReading.dBytes;
      bFirst = false;
    } else {
      SetDailyBandwidthForHost(tReading.iDay, tReading.dBytes, tBytes, tPrevious, tHasPrevious,
                               tReading.iNewDay);
    }
    tPrevious[tReading.iDay] = tReading.dBytes;
    tHasPrevious[tReading.iDay] = true;
  }
  return std::vector<double>(std::begin(tBytes), std::begin(tBytes) + 4);
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
      {"unflagged new slot counts whole", Accumulate({{0, 8, 0}, {1, 10, 0}}), {8, 10, 0, 0}},
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
