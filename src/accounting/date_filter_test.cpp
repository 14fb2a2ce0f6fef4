// Tests of resolving the date filters against a fixed clock.
#include "accounting/date_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "time_zone.h"

namespace {

std::string Resolve(const std::string& szFilter, time_t tNow) {
  char szBuffer[kTextBuf] = {};
  CopyText(szBuffer, sizeof szBuffer, szFilter);
  ProcessSpecialDateParameter(szBuffer, tNow);
  return szBuffer;
}

constexpr time_t k20090305Noon = 1236254400;  // 2009-03-05 12:00 UTC
constexpr time_t k20090103Noon = 1230984000;  // 2009-01-03 12:00 UTC

}  // namespace

TEST(DateFilter, ResolvesEveryAcceptedFormToAWholeDay) {
  const TimeZone tZone("UTC");
  constexpr time_t k20280315Noon = 1836734400;  // 2028-03-15 12:00 UTC, a leap year
  const struct {
    const char* szFilter;
    time_t tNow;
    const char* szStart;
    const char* szEnd;
  } kCases[] = {
      {"", k20090305Noon, "20090305", "20090305"},
      {"today", k20090305Noon, "20090305", "20090305"},
      {"yesterday", k20090305Noon, "20090304", "20090304"},
      {"yesterday", k20090103Noon - 2 * 86400, "20081231", "20081231"},
      {"today-30", k20090305Noon, "20090203", "20090203"},
      {"today-0", k20090305Noon, "20090305", "20090305"},
      {"today-5", k20090103Noon, "20081229", "20081229"},
      {"today-365", k20090305Noon, "20080305", "20080305"},
      {"20090425", k20090305Noon, "20090425", "20090425"},
      {"2009-04-25", k20090305Noon, "20090425", "20090425"},
      {"20280229", k20090305Noon, "20280229", "20280229"},
      {"202612", k20090305Noon, "20261201", "20261231"},
      {"2026-11", k20090305Noon, "20261101", "20261130"},
      {"202802", k20090305Noon, "20280201", "20280229"},
      {"210002", k20090305Noon, "21000201", "21000228"},
      {"2009", k20090305Noon, "20090101", "20091231"},
      {"month", k20090305Noon, "20090301", "20090331"},
      {"month-1", k20090305Noon, "20090201", "20090228"},
      {"month-1", k20280315Noon, "20280201", "20280229"},
      {"month-1", k20090103Noon, "20081201", "20081231"},
      {"month-2", k20090103Noon, "20081101", "20081130"},
      {"month-13", k20090305Noon, "20080201", "20080229"},
      {"month-0", k20090103Noon, "20090101", "20090131"},
      {"year", k20090305Noon, "20090101", "20091231"},
      {"year-1", k20090103Noon, "20080101", "20081231"},
      {"19700101", k20090305Noon, "19700101", "19700101"},
      {"99991231", k20090305Noon, "99991231", "99991231"},
  };
  for (const auto& tCase : kCases) {
    for (const bool bEnd : {false, true}) {
      char szBuffer[kTextBuf] = {};
      CopyText(szBuffer, sizeof szBuffer, tCase.szFilter);
      EXPECT_TRUE(ProcessSpecialDateParameter(szBuffer, tCase.tNow, bEnd)) << tCase.szFilter;
      EXPECT_STREQ(szBuffer, bEnd ? tCase.szEnd : tCase.szStart) << tCase.szFilter << bEnd;
      // The same day as a number, the filter left as it was.
      date_number_t uiDay = 0;
      EXPECT_TRUE(ResolveDateFilter(tCase.szFilter, tCase.tNow, bEnd, 1, uiDay));
      EXPECT_EQ(uiDay, ParseDateNumber(bEnd ? tCase.szEnd : tCase.szStart)) << tCase.szFilter;
    }
  }
}

TEST(DateFilter, RefusesAnythingElseAndLeavesItAsItWas) {
  const TimeZone tZone("UTC");
  for (const char* szFilter : {"Today",
                               "TODAY",
                               "xtoday-1",
                               "today+5",
                               "today--3",
                               "today-",
                               "today-1x",
                               "today -1",
                               "yesterday-1",
                               "months",
                               "month-",
                               "month-+1",
                               "Month",
                               "year-",
                               "20261301",
                               "20260230",
                               "20250229",
                               "19000229",
                               "20261200",
                               "2026-12-1",
                               "2026/12/01",
                               "01.12.2026",
                               "2026-13",
                               "202600",
                               "202613",
                               "2026-1",
                               "20261",
                               "202",
                               "last-month",
                               "19691231",
                               "1969",
                               "100000101",
                               "00010101",
                               "month-99999999",
                               "year-9999999",
                               "year-40",
                               "today-20000",
                               "today-999999999",
                               "2026120812",
                               "20261208120000",
                               " 20261208",
                               "20261208 ",
                               "today-99999999999999999999",
                               "-20261208",
                               "+20261208"}) {
    for (const bool bEnd : {false, true}) {
      char szBuffer[kTextBuf] = {};
      CopyText(szBuffer, sizeof szBuffer, szFilter);
      EXPECT_FALSE(ProcessSpecialDateParameter(szBuffer, k20090305Noon, bEnd)) << szFilter;
      EXPECT_STREQ(szBuffer, szFilter);
    }
  }
}

TEST(DateFilter, UsesTheLocalDate) {
  const TimeZone tZone("Pacific/Auckland");  // 2009-03-06 01:00 there
  EXPECT_EQ(Resolve("today", k20090305Noon), "20090306");
  EXPECT_EQ(Resolve("today-6", k20090305Noon), "20090228");
}

TEST(DateFilter, CountsDaysAcrossADaylightSavingChange) {
  const TimeZone tZone("Europe/Berlin");
  constexpr time_t k20090330At0030 = 1238365800;  // 00:30 summer time, a day after the change
  constexpr time_t k20091026At2330 = 1256596200;  // 23:30 winter time, a day after the change
  EXPECT_EQ(Resolve("today-1", k20090330At0030), "20090329");
  EXPECT_EQ(Resolve("today-7", k20091026At2330), "20091019");
  EXPECT_EQ(Resolve("today", k20090330At0030), "20090330");
}

TEST(DateFilter, RefusesADayBefore1970) {
  const TimeZone tZone("UTC");
  EXPECT_EQ(Resolve("today", 43200), "19700101");
  EXPECT_EQ(Resolve("today-1", 43200), "today-1");
  EXPECT_EQ(Resolve("month-1", 43200), "month-1");
}

TEST(DateFilter, ResolvesBillingMonthsFromAnyStartDay) {
  const TimeZone tZone("UTC");
  constexpr time_t k20280310Noon = 1836302400;  // 2028-03-10 12:00 UTC, a leap year
  constexpr time_t k20261215Noon = 1797336000;  // 2026-12-15 12:00 UTC
  const struct {
    const char* szFilter;
    time_t tNow;
    int32_t iStart;
    const char* szStart;
    const char* szEnd;
  } kCases[] = {
      {"month", k20280310Noon, 15, "20280215", "20280314"},
      {"month-1", k20280310Noon, 15, "20280115", "20280214"},
      {"month", k20280310Noon, 10, "20280310", "20280409"},
      {"month", k20280310Noon, 28, "20280228", "20280327"},
      {"month-1", k20280310Noon, 28, "20280128", "20280227"},
      {"month", k20261215Noon, 16, "20261116", "20261215"},
      {"month", k20261215Noon, 15, "20261215", "20270114"},
      {"month-12", k20261215Noon, 15, "20251215", "20260114"},
      {"month", k20280310Noon, 1, "20280301", "20280331"},
      // Written months and years stay calendar ones.
      {"202802", k20280310Noon, 15, "20280201", "20280229"},
      {"2028", k20280310Noon, 15, "20280101", "20281231"},
      {"year", k20280310Noon, 15, "20280101", "20281231"},
  };
  for (const auto& tCase : kCases) {
    for (const bool bEnd : {false, true}) {
      char szBuffer[kTextBuf] = {};
      CopyText(szBuffer, sizeof szBuffer, tCase.szFilter);
      EXPECT_TRUE(ProcessSpecialDateParameter(szBuffer, tCase.tNow, bEnd, tCase.iStart));
      EXPECT_STREQ(szBuffer, bEnd ? tCase.szEnd : tCase.szStart)
          << tCase.szFilter << " from " << tCase.iStart << (bEnd ? " end" : " start");
      date_number_t uiDay = 0;
      EXPECT_TRUE(ResolveDateFilter(tCase.szFilter, tCase.tNow, bEnd, tCase.iStart, uiDay));
      EXPECT_EQ(uiDay, ParseDateNumber(bEnd ? tCase.szEnd : tCase.szStart)) << tCase.szFilter;
    }
  }
}
