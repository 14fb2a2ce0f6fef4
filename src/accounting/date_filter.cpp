// Resolving the start and end date filters of the command line to whole days: dates, months
// and years written out, and the words "today", "yesterday", "today-N", "month[-N]" and
// "year[-N]" against the local date.
#include "accounting/date_filter.h"

#include <cstdio>
#include <string_view>

namespace {

// A filter longer than any accepted form is not read at all.
constexpr std::size_t kLongestFilter = 16;

// The number of "WORD-N" (N one to nine digits), 0 for "WORD" alone; -1 when the filter is
// neither.
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

// A calendar period: its first and last day.
struct period_t {
  long long llYear;
  int iFirstMonth;  // 1 to 12
  int iLastMonth;
  int iStartDay;  // a month from this day to the day before it in the next month
};

bool IsDigits(std::string_view szText) {
  return !szText.empty() && szText.find_first_not_of("0123456789") == std::string_view::npos;
}

long long ReadNumber(std::string_view szDigits) {
  long long llValue = 0;
  for (const char cDigit : szDigits) {
    llValue = llValue * 10 + (cDigit - '0');
  }
  return llValue;
}

// YYYY, YYYYMM or YYYY-MM as a period; false for anything else.
bool ReadWrittenPeriod(std::string_view szFilter, period_t& tPeriod) {
  std::string_view szMonth;
  if (szFilter.size() == 4) {
    szMonth = {};
  } else if (szFilter.size() == 6) {
    szMonth = szFilter.substr(4);
  } else if (szFilter.size() == 7 && szFilter[4] == '-') {
    szMonth = szFilter.substr(5);
  } else {
    return false;
  }
  if (!IsDigits(szFilter.substr(0, 4)) || (!szMonth.empty() && !IsDigits(szMonth))) {
    return false;
  }
  tPeriod.llYear = ReadNumber(szFilter.substr(0, 4));
  if (szMonth.empty()) {
    tPeriod.iFirstMonth = 1;
    tPeriod.iLastMonth = 12;
    tPeriod.iStartDay = 1;
    return true;
  }
  const auto iMonth = static_cast<int>(ReadNumber(szMonth));
  tPeriod.iFirstMonth = tPeriod.iLastMonth = iMonth;
  tPeriod.iStartDay = 1;
  return iMonth >= 1 && iMonth <= 12;
}

// "month[-N]" or "year[-N]" counted back from the local date (a month from the day
// iPeriodStart); false for anything else.
bool ReadNamedPeriod(std::string_view szFilter, const struct tm& tm_now, int32_t iPeriodStart,
                     period_t& tPeriod) {
  if (const long long llBack = ReadPeriodsBack(szFilter, "month"); llBack >= 0) {
    const long long llMonths = CountBillingMonth(tm_now.tm_year + 1900LL, tm_now.tm_mon + 1,
                                                 tm_now.tm_mday, iPeriodStart) -
                               llBack;
    tPeriod.llYear = llMonths / 12;
    tPeriod.iFirstMonth = tPeriod.iLastMonth = static_cast<int>(llMonths % 12) + 1;
    tPeriod.iStartDay = iPeriodStart;
    return true;
  }
  if (const long long llBack = ReadPeriodsBack(szFilter, "year"); llBack >= 0) {
    tPeriod = {tm_now.tm_year + 1900LL - llBack, 1, 12, 1};
    return true;
  }
  return false;
}

// The day a filter names: a period's first or last day, a date written out, or a day counted
// back from today. False for anything else.
bool ResolveDay(std::string_view szFilter, const struct tm& tm_now, bool bEnd, int32_t iPeriodStart,
                date_number_t& uiDay) {
  const auto uiToday = static_cast<date_number_t>(tm_now.tm_year + 1900LL) * 10000 +
                       static_cast<date_number_t>(tm_now.tm_mon + 1) * 100 +
                       static_cast<date_number_t>(tm_now.tm_mday);
  period_t tPeriod = {};
  if (ReadWrittenPeriod(szFilter, tPeriod) ||
      ReadNamedPeriod(szFilter, tm_now, iPeriodStart, tPeriod)) {
    if (tPeriod.llYear < kFirstDateYear || tPeriod.llYear > kLastDateYear) {
      return false;
    }
    if (tPeriod.iStartDay > 1) {
      long long llFirst = 0;
      long long llLast = 0;
      GetBillingMonthDays(tPeriod.llYear * 12 + tPeriod.iFirstMonth - 1, tPeriod.iStartDay, llFirst,
                          llLast);
      // The last billing month of 9999 ends in a year no snapshot can be named with.
      uiDay = ShiftDate(19700101, bEnd ? llLast : llFirst);
      return uiDay / 10000 <= static_cast<date_number_t>(kLastDateYear);
    }
    const int iMonth = bEnd ? tPeriod.iLastMonth : tPeriod.iFirstMonth;
    const int iDay = bEnd ? CountMonthDays(tPeriod.llYear, iMonth) : 1;
    uiDay = static_cast<date_number_t>(tPeriod.llYear) * 10000 +
            static_cast<date_number_t>(iMonth) * 100 + static_cast<date_number_t>(iDay);
    return true;
  }
  if (szFilter.size() == 10 && szFilter[4] == '-' && szFilter[7] == '-') {
    char szEight[8];
    szFilter.copy(szEight, 4, 0);
    szFilter.copy(szEight + 4, 2, 5);
    szFilter.copy(szEight + 6, 2, 8);
    return ReadCalendarDate(std::string_view(szEight, sizeof szEight), uiDay);
  }
  if (szFilter.size() == 8 && IsDigits(szFilter)) {
    return ReadCalendarDate(szFilter, uiDay);
  }
  long long llBack = -1;
  if (szFilter.empty()) {
    llBack = 0;
  } else if (szFilter == "yesterday") {
    llBack = 1;
  } else {
    llBack = ReadPeriodsBack(szFilter, "today");
  }
  if (llBack < 0) {
    return false;
  }
  // Calendar days, not seconds: a daylight-saving change between the two days moves nothing.
  char szDay[kIsoDateBuf] = {};
  std::snprintf(szDay, sizeof szDay, "%08llu", ShiftDate(uiToday, -llBack));
  return ReadCalendarDate(szDay, uiDay);
}

}  // namespace

bool ResolveDateFilter(std::string_view szFilter, time_t tNow, bool bEnd, int32_t iPeriodStart,
                       date_number_t& uiDay) {
  struct tm tm_now = {};
  return szFilter.size() <= kLongestFilter && localtime_r(&tNow, &tm_now) != nullptr &&
         ResolveDay(szFilter, tm_now, bEnd, iPeriodStart, uiDay);
}

bool ProcessSpecialDateParameter(char* pLogFileFilter, time_t tNow, bool bEnd,
                                 int32_t iPeriodStart) {
  date_number_t uiDay = 0;
  if (!ResolveDateFilter(pLogFileFilter, tNow, bEnd, iPeriodStart, uiDay)) {
    return false;
  }
  std::snprintf(pLogFileFilter, kTextBuf, "%08llu", uiDay);
  return true;
}
