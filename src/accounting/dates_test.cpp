// Tests of date numbers, name dates and the day index.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

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

TEST(CalendarDate, ReadsRealDatesOfEightDigitsOnly) {
  const struct {
    const char* szText;
    date_number_t uiDate;  // 0: refused
  } kCases[] = {
      {"20090425", 20090425},
      {"19700101", 19700101},
      {"99991231", 99991231},
      {"20240229", 20240229},
      {"20230229", 0},
      {"20000229", 20000229},
      {"21000229", 0},
      {"20091301", 0},
      {"20090001", 0},
      {"20090400", 0},
      {"20090431", 0},
      {"19691231", 0},
      {"2009042", 0},
      {"200904251", 0},
      {"2009/425", 0},
      {"2009:425", 0},
      {"2009042 ", 0},
      {"-2009042", 0},
      {"\xb0"
       "0090425",
       0},
      {"", 0},
  };
  for (const auto& tCase : kCases) {
    date_number_t uiDate = 7;
    EXPECT_EQ(ReadCalendarDate(tCase.szText, uiDate), tCase.uiDate != 0) << tCase.szText;
    EXPECT_EQ(uiDate, tCase.uiDate != 0 ? tCase.uiDate : 7) << tCase.szText;
  }
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

// One memo asked in turn, as a pass asks it file after file: a repeated pair is answered from
// it, and a change of either date is counted anew.
TEST(DayIndex, RemembersTheLastPairOnly) {
  const struct {
    date_number_t uiBase;
    date_number_t uiCurrent;
    int32_t iExpected;
  } kCalls[] = {
      {0, 0, 0},
      {20090425, 20090427, 2},
      {20090425, 20090427, 2},
      {20090426, 20090427, 1},
      {20090426, 20090501, 5},
      {20090426, 20090425, 0},
      {20090426, 20090424, -2},
      {20090425, 20090427, 2},
      {20081231, 20090301, 60},
      {20081231, 20090301, 60},
  };
  day_index_memo_t tMemo;
  for (const auto& tCall : kCalls) {
    EXPECT_EQ(GetDayIndex(tMemo, tCall.uiBase, tCall.uiCurrent), tCall.iExpected)
        << tCall.uiBase << " -> " << tCall.uiCurrent;
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

namespace {

// The day index as seconds between two local midnights, both taken as standard time: right
// wherever the zone's standard offset stays the same between the two dates.
int32_t CountDaysWithMktime(date_number_t uiBase, date_number_t uiCurrent) {
  const auto ToTime = [](date_number_t uiDate) {
    char szDate[50] = {};
    std::snprintf(szDate, sizeof szDate, "%llu", uiDate);
    const auto ReadSlice = [&szDate](std::size_t iOffset, std::size_t iLength) {
      char szSlice[5] = {};
      std::memcpy(szSlice, szDate + iOffset, iLength);
      return std::atoi(szSlice);
    };
    struct tm tDate = {};
    tDate.tm_year = ReadSlice(0, 4) - 1900;
    tDate.tm_mon = ReadSlice(4, 2) - 1;
    tDate.tm_mday = ReadSlice(6, 2);
    tDate.tm_isdst = 0;
    return mktime(&tDate);
  };
  const auto iIndex = static_cast<int32_t>((ToTime(uiCurrent) - ToTime(uiBase)) / 86400);
  return iIndex == -1 ? 0 : iIndex;
}

}  // namespace

TEST(DayIndex, CountsAsLocalMidnightsDoWhereTheOffsetHolds) {
  std::mt19937_64 tRandom(42);
  std::uniform_int_distribution<int> tMonth(0, 13);
  std::uniform_int_distribution<int> tDay(0, 32);
  const struct {
    const char* szZone;
    int iFirstYear;
    int iLastYear;
  } kZones[] = {
      {"UTC", 1000, 9999},
      {"Europe/Berlin", 1900, 2040},
      {"America/New_York", 1900, 2040},
      {"Australia/Lord_Howe", 1982, 2040},
      {"Asia/Tokyo", 1900, 2040},
  };
  for (const auto& tZone : kZones) {
    const TimeZone tSetZone(tZone.szZone);
    std::uniform_int_distribution<int> tYear(tZone.iFirstYear + 1, tZone.iLastYear - 1);
    for (int iRound = 0; iRound < 5000; ++iRound) {
      const date_number_t uiBase =
          tYear(tRandom) * 10000ULL + tMonth(tRandom) * 100 + tDay(tRandom);
      const date_number_t uiCurrent =
          tYear(tRandom) * 10000ULL + tMonth(tRandom) * 100 + tDay(tRandom);
      ASSERT_EQ(GetDayIndex(uiBase, uiCurrent), CountDaysWithMktime(uiBase, uiCurrent))
          << tZone.szZone << " " << uiBase << " " << uiCurrent;
    }
  }
  // Numbers of any length, sliced as text: short ones miss slices, long ones are cut.
  const TimeZone tUtc("UTC");
  for (int iRound = 0; iRound < 5000; ++iRound) {
    const date_number_t uiBase = tRandom() >> (tRandom() % 64);
    const date_number_t uiCurrent = tRandom() >> (tRandom() % 64);
    ASSERT_EQ(GetDayIndex(uiBase, uiCurrent), CountDaysWithMktime(uiBase, uiCurrent))
        << uiBase << " " << uiCurrent;
  }
}

TEST(DayIndex, CountsCalendarDaysWhereAZoneChangedItsOffset) {
  // Paraguay moved to a standard offset of -3 hours in October 2024: local midnights of the
  // two dates lie a day minus an hour apart, yet they are a day apart.
  const TimeZone tZone("America/Asuncion");
  EXPECT_EQ(GetDayIndex(20240901, 20241201), 91);
  EXPECT_EQ(GetDayIndex(20241001, 20241031), 30);
}

// One line per case: a day, the start day of billing months, the month it falls in and that
// month's first and last day.
TEST(BillingMonth, RunsFromItsStartDayToTheDayBeforeItNextMonth) {
  const struct {
    int iYear, iMonth, iDay, iStart;
    const char* szMonth;
    const char* szFirst;
    const char* szLast;
  } kCases[] = {
      {2026, 11, 1, 1, "2026-11", "2026-11-01", "2026-11-30"},
      {2026, 11, 30, 0, "2026-11", "2026-11-01", "2026-11-30"},
      {2024, 2, 14, 15, "2024-01", "2024-01-15", "2024-02-14"},
      {2024, 2, 15, 15, "2024-02", "2024-02-15", "2024-03-14"},
      {2024, 12, 20, 15, "2024-12", "2024-12-15", "2025-01-14"},
      {2025, 1, 14, 15, "2024-12", "2024-12-15", "2025-01-14"},
      {2024, 3, 27, 28, "2024-02", "2024-02-28", "2024-03-27"},
      {2023, 3, 27, 28, "2023-02", "2023-02-28", "2023-03-27"},
  };
  const auto Format = [](long long llDays) {
    long long llYear = 0;
    int iMonth = 0;
    int iDay = 0;
    ConvertEpochDays(llDays, llYear, iMonth, iDay);
    char szDate[32];
    std::snprintf(szDate, sizeof szDate, "%04lld-%02d-%02d", llYear, iMonth, iDay);
    return std::string(szDate);
  };
  for (const auto& tCase : kCases) {
    const long long llMonth =
        CountBillingMonth(tCase.iYear, tCase.iMonth, tCase.iDay, tCase.iStart);
    char szMonth[32];
    std::snprintf(szMonth, sizeof szMonth, "%04lld-%02lld", llMonth / 12, llMonth % 12 + 1);
    long long llFirst = 0;
    long long llLast = 0;
    GetBillingMonthDays(llMonth, tCase.iStart, llFirst, llLast);
    EXPECT_EQ(std::string(szMonth), tCase.szMonth) << tCase.iYear << tCase.iMonth << tCase.iDay;
    EXPECT_EQ(Format(llFirst), tCase.szFirst) << tCase.szMonth;
    EXPECT_EQ(Format(llLast), tCase.szLast) << tCase.szMonth;
  }
}
