// Date numbers (YYYYMMDD), snapshot names' dates, day indexes, civil dates and days from the
// epoch, and billing months.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// A calendar date as the decimal YYYYMMDD; printed with %llu.
using date_number_t = unsigned long long;
static_assert(sizeof(date_number_t) == 8, "date numbers are unsigned 64-bit");

/// The date number of text read like atoi, sign-widened to 64 bits.
date_number_t ParseDateNumber(const char* szText);

/// The date number of the eight characters that begin 14 before the end of a bare file name;
/// 0 for names shorter than 14 characters.
date_number_t GetLogFileDate(std::string_view szFileName);

/// Calendar days from `base_date` to `current_date`, each read as the text YYYYMMDD with
/// months and days out of range carried over; -1 is folded to 0. Needs no time zone.
int32_t GetDayIndex(date_number_t base_date, date_number_t current_date);

// The last day index asked for, so that a day's many snapshots count it on the calendar once.
struct day_index_memo_t {
  date_number_t uiBase = 0;
  date_number_t uiDate = 0;
  int32_t iIndex = 0;
  bool bKept = false;
};

/// GetDayIndex, answered from the memo when it holds the same two dates, else counted and kept.
int32_t GetDayIndex(day_index_memo_t& tMemo, date_number_t base_date, date_number_t current_date);

// "YYYY-MM-DD" and its terminator, with room for any year a date number can spell.
constexpr std::size_t kIsoDateBuf = 32;

/// Writes the date `iOffset` calendar days after `uiBase` (read as GetDayIndex reads it) as
/// YYYY-MM-DD.
void FormatDayDate(date_number_t uiBase, int32_t iOffset, char (&szDate)[kIsoDateBuf]);

// The years a snapshot's name and a date filter may carry.
constexpr long long kFirstDateYear = 1970;
constexpr long long kLastDateYear = 9999;

/// True for a leap year of the Gregorian calendar.
bool IsLeapYear(long long llYear);

/// The days of a month (1 to 12) of a year; 0 for a month out of range.
int CountMonthDays(long long llYear, int iMonth);

/// Reads eight digits YYYYMMDD that are a real calendar date of the years kFirstDateYear to
/// kLastDateYear; false for anything else.
bool ReadCalendarDate(std::string_view szEight, date_number_t& uiDate);

/// The date llDays calendar days after (before, when negative) a real date; 0 before year 0.
date_number_t ShiftDate(date_number_t uiDate, long long llDays);

/// The civil date iOffset calendar days after uiBase (read as GetDayIndex reads it).
void GetCivilDate(date_number_t uiBase, int32_t iOffset, long long& llYear, int& iMonth, int& iDay);

/// Days from 1970-01-01 to the date iOffset calendar days after uiBase.
long long CountEpochDays(date_number_t uiBase, int32_t iOffset);

/// Days from 1970-01-01 to a civil date, and back.
long long CountEpochDaysOf(long long llYear, int iMonth, int iDay);
void ConvertEpochDays(long long llDays, long long& llYear, int& iMonth, int& iDay);

/// The billing month a civil date falls in, as year * 12 + month - 1 of the month it starts in:
/// months run from day iPeriodStart (1 to 28; below 1 reads as 1, the calendar month) to the day
/// before it in the next month.
long long CountBillingMonth(long long llYear, int iMonth, int iDay, int32_t iPeriodStart);

/// The first and last day (days from 1970-01-01) of a billing month numbered as
/// CountBillingMonth numbers it.
void GetBillingMonthDays(long long llMonth, int32_t iPeriodStart, long long& llFirst,
                         long long& llLast);
