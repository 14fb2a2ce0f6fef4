// Tests of resolving the date filters against a fixed clock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "accounting/records.h"
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

TEST(DateFilter, ResolvesKeywordsAgainstTheClock) {
  const TimeZone tZone("UTC");
  const struct {
    const char* szFilter;
    time_t tNow;
    const char* szExpected;
  } kCases[] = {
      {"", k20090305Noon, "20090305"},         {"today", k20090305Noon, "20090305"},
      {"today-30", k20090305Noon, "20090203"}, {"today-0", k20090305Noon, "20090305"},
      {"today+5", k20090305Noon, "20090305"},  {"xtoday-1", k20090305Noon, "20090304"},
      {"today--3", k20090305Noon, "20090308"}, {"today-", k20090305Noon, "20090305"},
      {"today-5", k20090103Noon, "20081229"},  {"today-365", k20090305Noon, "20080305"},
      {"Today", k20090305Noon, "Today"},       {"20090425", k20090305Noon, "20090425"},
      {"2009", k20090305Noon, "2009"},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(Resolve(tCase.szFilter, tCase.tNow), tCase.szExpected) << tCase.szFilter;
  }
}

TEST(DateFilter, ResolvesCalendarPeriodsAsStartAndEnd) {
  const TimeZone tZone("UTC");
  constexpr time_t k20280315Noon = 1836734400;  // 2028-03-15 12:00 UTC, a leap year
  const struct {
    const char* szFilter;
    time_t tNow;
    const char* szStart;
    const char* szEnd;
  } kCases[] = {
      {"month", k20090305Noon, "20090301", "20090331"},
      {"month-1", k20090305Noon, "20090201", "20090228"},
      {"month-1", k20280315Noon, "20280201", "20280229"},
      {"month-1", k20090103Noon, "20081201", "20081231"},
      {"month-2", k20090103Noon, "20081101", "20081130"},
      {"month-13", k20090305Noon, "20080201", "20080229"},
      {"month-0", k20090103Noon, "20090101", "20090131"},
      {"year", k20090305Noon, "20090101", "20091231"},
      {"year-1", k20090103Noon, "20080101", "20081231"},
      {"year-9999999", k20090305Noon, "00010101", "00011231"},
      {"month-99999999", k20090305Noon, "00010101", "00010131"},
      // Anything else is not a period and stays as it is.
      {"months", k20090305Noon, "months", "months"},
      {"month-", k20090305Noon, "month-", "month-"},
      {"month-+1", k20090305Noon, "month-+1", "month-+1"},
      {"Month", k20090305Noon, "Month", "Month"},
  };
  for (const auto& tCase : kCases) {
    for (const bool bEnd : {false, true}) {
      char szBuffer[kTextBuf] = {};
      CopyText(szBuffer, sizeof szBuffer, tCase.szFilter);
      ProcessSpecialDateParameter(szBuffer, tCase.tNow, bEnd);
      EXPECT_STREQ(szBuffer, bEnd ? tCase.szEnd : tCase.szStart) << tCase.szFilter << bEnd;
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

TEST(DateFilter, ReportsATimeBefore1970AndGoesOn) {
  const TimeZone tZone("UTC");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Resolve("today-1", 43200), "19691231");
  const std::string szError = testing::internal::GetCapturedStderr();
  EXPECT_EQ(szError.rfind("Invalid logfilter specified [today-1] returned: [-43200]: ", 0), 0u)
      << szError;
}

TEST(DateFilter, CutsAnOverlongMessageToItsBuffer) {
  const TimeZone tZone("UTC");
  const std::string szLong = "today-1" + std::string(1000, 'y');
  testing::internal::CaptureStderr();
  EXPECT_EQ(Resolve(szLong, 43200), "19691231");
  const std::string szError = testing::internal::GetCapturedStderr();
  // 99 characters of message, then perror's ": " and the error text.
  EXPECT_EQ(szError.substr(0, 101),
            "Invalid logfilter specified [today-1" + std::string(63, 'y') + ": ");
}

TEST(DateFilter, SurvivesExtremeCounts) {
  const TimeZone tZone("UTC");
  testing::internal::CaptureStderr();
  for (const char* szFilter :
       {"today-999999999", "today--2147483648", "today-2147483647", "today-99999999999999999999"}) {
    const std::string szResolved = Resolve(szFilter, k20090305Noon);
    EXPECT_FALSE(szResolved.empty()) << szFilter;
    EXPECT_EQ(szResolved.find("today"), std::string::npos) << szFilter;
  }
  testing::internal::GetCapturedStderr();
}
