// Date numbers, name dates and the calendar-day index between two dates.
#include "accounting/dates.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "accounting/text.h"

namespace {

constexpr std::array<unsigned long long, 20> MakePowersOfTen() {
  std::array<unsigned long long, 20> auiPowers = {};
  unsigned long long uiPower = 1;
  for (unsigned long long& uiEntry : auiPowers) {
    uiEntry = uiPower;
    uiPower *= 10;
  }
  return auiPowers;
}
constexpr std::array<unsigned long long, 20> kPowersOfTen = MakePowersOfTen();

std::size_t CountDigits(date_number_t uiDate) {
  std::size_t iDigits = 1;
  while (iDigits < kPowersOfTen.size() && uiDate >= kPowersOfTen[iDigits]) {
    ++iDigits;
  }
  return iDigits;
}

// The number that characters [iFirst, iEnd) of the date's decimal text spell; 0 where the text
// is shorter, as a missing slice of YYYYMMDD reads.
long long ReadDigitSlice(date_number_t uiDate, std::size_t iDigits, std::size_t iFirst,
                         std::size_t iEnd) {
  if (iFirst >= iDigits) {
    return 0;
  }
  iEnd = iEnd < iDigits ? iEnd : iDigits;
  return static_cast<long long>(uiDate / kPowersOfTen[iDigits - iEnd] %
                                kPowersOfTen[iEnd - iFirst]);
}

long long FloorDivide(long long llValue, long long llDivisor) {
  const long long llQuotient = llValue / llDivisor;
  return (llValue % llDivisor != 0 && (llValue < 0) != (llDivisor < 0)) ? llQuotient - 1
                                                                        : llQuotient;
}

// Days from 1970-01-01 to the first of a month in the proleptic Gregorian calendar.
long long CountDaysToMonth(long long llYear, long long llMonth) {
  llYear -= llMonth <= 2 ? 1 : 0;
  const long long llEra = FloorDivide(llYear, 400);
  const long long llYearOfEra = llYear - llEra * 400;
  const long long llDayOfYear = (153 * (llMonth + (llMonth > 2 ? -3 : 9)) + 2) / 5;
  const long long llDayOfEra =
      llYearOfEra * 365 + llYearOfEra / 4 - llYearOfEra / 100 + llDayOfYear;
  return llEra * 146097 + llDayOfEra - 719468;
}

// The day number of a date's text sliced as YYYY MM DD, out-of-range months and days carried
// over as the calendar conversion of the C library does: month first, then day.
long long CountDays(date_number_t uiDate) {
  if (uiDate >= 10000000 && uiDate <= 99999999) {
    // Eight digits, the date of every log: the slices are plain quotients.
    const auto uiEight = static_cast<std::uint32_t>(uiDate);
    const long long llMonth = static_cast<long long>(uiEight / 100 % 100) - 1;
    const long long llYearCarry = FloorDivide(llMonth, 12);
    return CountDaysToMonth(uiEight / 10000 + llYearCarry, llMonth - llYearCarry * 12 + 1) +
           uiEight % 100 - 1;
  }
  const std::size_t iDigits = CountDigits(uiDate);
  const long long llYear = ReadDigitSlice(uiDate, iDigits, 0, 4);
  const long long llMonth = ReadDigitSlice(uiDate, iDigits, 4, 6) - 1;
  const long long llDay = ReadDigitSlice(uiDate, iDigits, 6, 8);
  const long long llYearCarry = FloorDivide(llMonth, 12);
  return CountDaysToMonth(llYear + llYearCarry, llMonth - llYearCarry * 12 + 1) + llDay - 1;
}

// The civil date of a day number counted from 1970-01-01.
void ConvertDaysToDate(long long llDays, long long& llYear, int& iMonth, int& iDay) {
  llDays += 719468;
  const long long llEra = FloorDivide(llDays, 146097);
  const long long llDayOfEra = llDays - llEra * 146097;
  const long long llYearOfEra =
      (llDayOfEra - llDayOfEra / 1460 + llDayOfEra / 36524 - llDayOfEra / 146096) / 365;
  const long long llDayOfYear =
      llDayOfEra - (365 * llYearOfEra + llYearOfEra / 4 - llYearOfEra / 100);
  const long long llShiftedMonth = (5 * llDayOfYear + 2) / 153;
  iDay = static_cast<int>(llDayOfYear - (153 * llShiftedMonth + 2) / 5 + 1);
  iMonth = static_cast<int>(llShiftedMonth < 10 ? llShiftedMonth + 3 : llShiftedMonth - 9);
  llYear = llYearOfEra + llEra * 400 + (iMonth <= 2 ? 1 : 0);
}

}  // namespace

void FormatDayDate(date_number_t uiBase, int32_t iOffset, char (&szDate)[kIsoDateBuf]) {
  long long llYear = 0;
  int iMonth = 0;
  int iDay = 0;
  ConvertDaysToDate(CountDays(uiBase) + iOffset, llYear, iMonth, iDay);
  std::snprintf(szDate, sizeof szDate, "%04lld-%02d-%02d", llYear, iMonth, iDay);
}

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

int32_t GetDayIndex(date_number_t base_date, date_number_t current_date) {
  // Calendar days, not seconds: no time zone, daylight-saving change or change of a zone's
  // offset can make a day shorter or longer.
  const auto iIndex = static_cast<int32_t>(CountDays(current_date) - CountDays(base_date));
  // The day before the base shares its day, so a baseline of the day before lands on day 0.
  return iIndex == -1 ? 0 : iIndex;
}

int32_t GetDayIndex(day_index_memo_t& tMemo, date_number_t base_date, date_number_t current_date) {
  if (!tMemo.bKept || tMemo.uiBase != base_date || tMemo.uiDate != current_date) {
    tMemo = {base_date, current_date, GetDayIndex(base_date, current_date), true};
  }
  return tMemo.iIndex;
}

bool IsLeapYear(long long llYear) {
  return (llYear % 4 == 0 && llYear % 100 != 0) || llYear % 400 == 0;
}

int CountMonthDays(long long llYear, int iMonth) {
  constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (iMonth < 1 || iMonth > 12) {
    return 0;
  }
  return kDaysInMonth[iMonth - 1] + (iMonth == 2 && IsLeapYear(llYear) ? 1 : 0);
}

bool ReadCalendarDate(std::string_view szEight, date_number_t& uiDate) {
  if (szEight.size() != 8) {
    return false;
  }
  // Read for every snapshot name of a listing: a digit at a time, without a library search.
  date_number_t uiValue = 0;
  for (const char cChar : szEight) {
    const auto uiDigit = static_cast<date_number_t>(static_cast<unsigned char>(cChar)) - '0';
    if (uiDigit > 9) {
      return false;
    }
    uiValue = uiValue * 10 + uiDigit;
  }
  const auto llYear = static_cast<long long>(uiValue / 10000);
  const auto iMonth = static_cast<int>(uiValue / 100 % 100);
  const auto iDay = static_cast<int>(uiValue % 100);
  if (llYear < kFirstDateYear || llYear > kLastDateYear || iDay < 1 ||
      iDay > CountMonthDays(llYear, iMonth)) {
    return false;
  }
  uiDate = uiValue;
  return true;
}

date_number_t ShiftDate(date_number_t uiDate, long long llDays) {
  long long llYear = 0;
  int iMonth = 0;
  int iDay = 0;
  ConvertDaysToDate(CountDays(uiDate) + llDays, llYear, iMonth, iDay);
  if (llYear < 0) {
    return 0;
  }
  return static_cast<date_number_t>(llYear) * 10000 + static_cast<date_number_t>(iMonth) * 100 +
         static_cast<date_number_t>(iDay);
}

void GetCivilDate(date_number_t uiBase, int32_t iOffset, long long& llYear, int& iMonth,
                  int& iDay) {
  ConvertDaysToDate(CountDays(uiBase) + iOffset, llYear, iMonth, iDay);
}

long long CountEpochDays(date_number_t uiBase, int32_t iOffset) {
  return CountDays(uiBase) + iOffset;
}

long long CountEpochDaysOf(long long llYear, int iMonth, int iDay) {
  return CountDaysToMonth(llYear, iMonth) + iDay - 1;
}

void ConvertEpochDays(long long llDays, long long& llYear, int& iMonth, int& iDay) {
  ConvertDaysToDate(llDays, llYear, iMonth, iDay);
}

long long CountBillingMonth(long long llYear, int iMonth, int iDay, int32_t iPeriodStart) {
  return llYear * 12 + iMonth - 1 - (iDay < iPeriodStart ? 1 : 0);
}

void GetBillingMonthDays(long long llMonth, int32_t iPeriodStart, long long& llFirst,
                         long long& llLast) {
  const int iStart = iPeriodStart < 1 ? 1 : iPeriodStart;
  const long long llNext = llMonth + 1;
  llFirst = CountEpochDaysOf(llMonth / 12, static_cast<int>(llMonth % 12) + 1, iStart);
  llLast = CountEpochDaysOf(llNext / 12, static_cast<int>(llNext % 12) + 1, iStart) - 1;
}
