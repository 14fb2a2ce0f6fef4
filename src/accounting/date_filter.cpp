// Resolving the start and end date filters of the command line ("today", "today-N", and the
// calendar periods "month", "month-N", "year", "year-N").
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "accounting/records.h"

namespace {

// Writes the date as eight digits; leaves the filter as it was should it not fit.
void WriteFilterDate(char* pLogFileFilter, const struct tm& tDate) {
  char szDate[kTextBuf] = {};
  if (std::strftime(szDate, kTextBuf - 1, "%Y%m%d", &tDate) > 0) {
    CopyText(pLogFileFilter, kTextBuf, szDate);
  }
}

// The number of periods back of "WORD" or "WORD-N", N digits only; -1 when the filter is not
// that word.
long long ReadPeriodsBack(std::string_view szFilter, std::string_view szWord) {
  if (szFilter.substr(0, szWord.size()) != szWord) {
    return -1;
  }
  const std::string_view szRest = szFilter.substr(szWord.size());
  if (szRest.empty()) {
    return 0;
  }
  if (szRest.size() < 2 || szRest.size() > 10 || szRest[0] != '-' ||
      szRest.find_first_not_of("0123456789", 1) != std::string_view::npos) {
    return -1;
  }
  long long llBack = 0;
  for (const char cDigit : szRest.substr(1)) {
    llBack = llBack * 10 + (cDigit - '0');
  }
  return llBack;
}

bool IsLeapYear(long long llYear) {
  return (llYear % 4 == 0 && llYear % 100 != 0) || llYear % 400 == 0;
}

// Writes the first or the last day of a calendar month or year, N back from the local date, as
// eight digits. Periods before year 1 stop at year 1.
bool ResolvePeriod(char* pLogFileFilter, const struct tm& tm_now, bool bEnd) {
  const std::string_view szFilter(pLogFileFilter);
  long long llYear = tm_now.tm_year + 1900LL;
  long long llMonth = tm_now.tm_mon;  // 0 to 11
  long long llFirstMonth = 0;
  long long llLastMonth = 11;
  if (const long long llBack = ReadPeriodsBack(szFilter, "month"); llBack >= 0) {
    long long llMonths = llYear * 12 + llMonth - llBack;
    llMonths = llMonths < 12 ? 12 : llMonths;
    llYear = llMonths / 12;
    llFirstMonth = llLastMonth = llMonths % 12;
  } else if (const long long llYearsBack = ReadPeriodsBack(szFilter, "year"); llYearsBack >= 0) {
    llYear = llYear - llYearsBack < 1 ? 1 : llYear - llYearsBack;
  } else {
    return false;
  }
  constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const long long llMonthShown = bEnd ? llLastMonth : llFirstMonth;
  const long long llDay =
      !bEnd ? 1 : kDaysInMonth[llMonthShown] + (llMonthShown == 1 && IsLeapYear(llYear) ? 1 : 0);
  char szDate[kTextBuf] = {};
  std::snprintf(szDate, sizeof szDate, "%04lld%02lld%02lld", llYear, llMonthShown + 1, llDay);
  CopyText(pLogFileFilter, kTextBuf, szDate);
  return true;
}

}  // namespace

void ProcessSpecialDateParameter(char* pLogFileFilter, time_t tNow, bool bEnd) {
  struct tm tm_now = {};
  localtime_r(&tNow, &tm_now);
  if (ResolvePeriod(pLogFileFilter, tm_now, bEnd)) {
    return;
  }
  if (pLogFileFilter[0] == '\0') {
    WriteFilterDate(pLogFileFilter, tm_now);
    return;
  }
  if (std::strstr(pLogFileFilter, "today") == nullptr) {
    return;
  }
  const char* pDash = std::strchr(pLogFileFilter, '-');
  if (pDash != nullptr) {
    const int32_t iDecrementValue = ParseInt(pDash + 1);
    // Kept inside int: "today--2147483648" must not overflow the day of month.
    long long llDay = static_cast<long long>(tm_now.tm_mday) - iDecrementValue;
    llDay = llDay > INT_MAX ? INT_MAX : llDay;
    tm_now.tm_mday = static_cast<int>(llDay);
    // The resolved date's own daylight-saving flag, not today's: with today's, a date across a
    // change lands an hour off and, near midnight, on the neighbouring day.
    tm_now.tm_isdst = -1;
    const time_t tNewDate = mktime(&tm_now);
    if (tNewDate < 0) {
      char szMessage[100] = {};
      std::snprintf(szMessage, sizeof szMessage, "Invalid logfilter specified [%s] returned: [%ld]",
                    pLogFileFilter, static_cast<long>(tNewDate));
      std::perror(szMessage);
    }
    if (localtime_r(&tNewDate, &tm_now) == nullptr) {
      return;
    }
  }
  WriteFilterDate(pLogFileFilter, tm_now);
}
