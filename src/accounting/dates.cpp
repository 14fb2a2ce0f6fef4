// Date numbers, name dates and the calendar-day index between two dates.
#include <array>
#include <cstdio>
#include <cstring>

#include "accounting/records.h"

namespace {

// Broken-down local midnight of a date number's text, sliced as YYYY MM DD. The daylight-saving
// flag is 0 for every date, so two dates always differ by whole days of the zone's standard time.
time_t ConvertDateNumber(date_number_t uiDate) {
  char szDate[50] = {};
  std::snprintf(szDate, sizeof szDate, "%llu", uiDate);
  const auto ReadSlice = [&szDate](std::size_t iOffset, std::size_t iLength) {
    char szSlice[5] = {};
    std::memcpy(szSlice, szDate + iOffset, iLength);
    return ParseInt(szSlice);
  };
  struct tm tDate = {};
  tDate.tm_year = ReadSlice(0, 4) - 1900;
  tDate.tm_mon = ReadSlice(4, 2) - 1;
  tDate.tm_mday = ReadSlice(6, 2);
  tDate.tm_isdst = 0;
  return mktime(&tDate);
}

struct day_index_entry_t {
  date_number_t uiBase;
  date_number_t uiCurrent;
  int32_t iIndex;
  bool bValid;
};

// Direct-mapped: a run asks about a few hundred distinct pairs, millions of times.
constexpr std::size_t kDayIndexCacheSize = 4096;
std::array<day_index_entry_t, kDayIndexCacheSize> g_tDayIndexCache = {};

std::size_t HashDatePair(date_number_t uiBase, date_number_t uiCurrent) {
  unsigned long long uiHash = uiBase * 0x9E3779B97F4A7C15ULL ^ uiCurrent * 0xC2B2AE3D27D4EB4FULL;
  uiHash ^= uiHash >> 29;
  return static_cast<std::size_t>(uiHash % kDayIndexCacheSize);
}

}  // namespace

date_number_t ParseDateNumber(const char* szText) {
  return static_cast<date_number_t>(static_cast<int64_t>(ParseInt(szText)));
}

date_number_t GetLogFileDate(std::string_view szFileName) {
  if (szFileName.size() < 14) {
    return 0;
  }
  char szDate[9] = {};
  std::memcpy(szDate, szFileName.data() + szFileName.size() - 14, 8);
  return ParseDateNumber(szDate);
}

int32_t GetDayIndexUncached(date_number_t base_date, date_number_t current_date) {
  const time_t tBase = ConvertDateNumber(base_date);
  const time_t tCurrent = ConvertDateNumber(current_date);
  if (tCurrent == tBase) {
    return 0;
  }
  const auto iIndex = static_cast<int32_t>((tCurrent - tBase) / 86400);
  // The day before the base shares its slot, so a baseline of the day before lands in slot 0.
  return iIndex == -1 ? 0 : iIndex;
}

int32_t GetDayIndex(date_number_t base_date, date_number_t current_date) {
  day_index_entry_t& tEntry = g_tDayIndexCache[HashDatePair(base_date, current_date)];
  if (!tEntry.bValid || tEntry.uiBase != base_date || tEntry.uiCurrent != current_date) {
    tEntry = {base_date, current_date, GetDayIndexUncached(base_date, current_date), true};
  }
  return tEntry.iIndex;
}

void ResetDayIndexCache() { g_tDayIndexCache = {}; }
