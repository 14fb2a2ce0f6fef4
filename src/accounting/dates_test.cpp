// Tests of date numbers, name dates and the day index.
#include <gtest/gtest.h>

#include <random>

#include "accounting/records.h"
#include "time_zone.h"

TEST(ParseDateNumber, WidensTheSignTo64Bits) {
  EXPECT_EQ(ParseDateNumber("20090425"), 20090425ULL);
  EXPECT_EQ(ParseDateNumber("-1"), 18446744073709551615ULL);
  EXPECT_EQ(ParseDateNumber("x"), 0ULL);
}

TEST(GetLogFileDate, ReadsTheEightCharactersBeforeTheLastSix) {
  EXPECT_EQ(GetLogFileDate("traffic_in_20090425120000"), 20090425ULL);
  EXPECT_EQ(GetLogFileDate("traffic_out_20090425_12-00"), 20090425ULL);
  EXPECT_EQ(GetLogFileDate("20090425120000"), 20090425ULL);  // exactly 14 characters
  EXPECT_EQ(GetLogFileDate("0090425120000"), 0ULL);          // 13: no name date
  EXPECT_EQ(GetLogFileDate(".."), 0ULL);
  EXPECT_EQ(GetLogFileDate(""), 0ULL);
}

TEST(DayIndex, CountsCalendarDays) {
  const TimeZone tZone("Europe/Berlin");
  const struct {
    date_number_t uiBase;
    date_number_t uiCurrent;
    int32_t iExpected;
  } kCases[] = {
      {20090425, 20090425, 0},
      {20090425, 20090426, 1},
      {20090425, 20090525, 30},
      {20090425, 20090526, 31},
      {20090425, 20090424, 0},
      {20090425, 20090423, -2},
      {20081231, 20090101, 1},
      {20090228, 20090301, 1},
      {20080228, 20080301, 2},
      // Across the spring and autumn changes of daylight saving time.
      {20090328, 20090330, 2},
      {20091024, 20091026, 2},
      {20090301, 20091101, 245},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(GetDayIndex(tCase.uiBase, tCase.uiCurrent), tCase.iExpected)
        << tCase.uiBase << " -> " << tCase.uiCurrent;
  }
}

TEST(DayIndex, FoldsTheDayBeforeToZeroInEveryZone) {
  for (const char* szZone : {"UTC", "America/New_York", "Australia/Lord_Howe", "Asia/Kolkata"}) {
    const TimeZone tZone(szZone);
    EXPECT_EQ(GetDayIndex(20090101, 20081231), 0) << szZone;
    EXPECT_EQ(GetDayIndex(20090101, 20081230), -2) << szZone;
    EXPECT_EQ(GetDayIndex(20090308, 20090309), 1) << szZone;
  }
}

// The cache must answer exactly as the plain conversion, for dates real and odd.
TEST(DayIndex, CacheAnswersAsThePlainConversion) {
  const TimeZone tZone("Europe/Berlin");
  std::mt19937_64 tRandom(42);
  std::uniform_int_distribution<int> tYear(1960, 2040);
  std::uniform_int_distribution<int> tMonth(0, 13);
  std::uniform_int_distribution<int> tDay(0, 32);
  for (int iRound = 0; iRound < 20000; ++iRound) {
    const date_number_t uiBase = tYear(tRandom) * 10000ULL + tMonth(tRandom) * 100 + tDay(tRandom);
    const date_number_t uiCurrent =
        iRound % 3 == 0 ? tRandom()
                        : tYear(tRandom) * 10000ULL + tMonth(tRandom) * 100 + tDay(tRandom);
    ASSERT_EQ(GetDayIndex(uiBase, uiCurrent), GetDayIndexUncached(uiBase, uiCurrent))
        << uiBase << " " << uiCurrent;
    ASSERT_EQ(GetDayIndex(uiBase, uiCurrent), GetDayIndexUncached(uiBase, uiCurrent));
  }
}
