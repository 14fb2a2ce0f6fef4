// Resolving the start and end date filters of the command line ("today", "today-N").
#include <climits>
#include <cstdio>
#include <cstring>

#include "accounting/records.h"

namespace {

// Writes the date as eight digits; leaves the filter as it was should it not fit.
void WriteFilterDate(char* pLogFileFilter, const struct tm& tDate) {
  char szDate[kTextBuf] = {};
  if (std::strftime(szDate, kTextBuf - 1, "%Y%m%d", &tDate) > 0) {
    CopyText(pLogFileFilter, kTextBuf, szDate);
  }
}

}  // namespace

void ProcessSpecialDateParameter(char* pLogFileFilter, time_t tNow) {
  struct tm tm_now = {};
  localtime_r(&tNow, &tm_now);
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
