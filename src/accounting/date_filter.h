// Resolving the command line's date filters to whole days.
#pragma once

#include <cstdint>
#include <ctime>
#include <string_view>

#include "accounting/dates.h"
#include "accounting/text.h"

// The forms a date filter may take, for messages.
constexpr const char* kDateForms =
    "YYYYMMDD, YYYY-MM-DD, YYYYMM, YYYY-MM, YYYY, today, yesterday, today-N, month, month-N, "
    "year or year-N";

/// Resolves a date filter in place to the eight digits of a whole day, against the local date
/// of `tNow`: empty, "today" and "yesterday"; "today-N", N days back; YYYYMMDD and YYYY-MM-DD;
/// the periods YYYYMM, YYYY-MM, YYYY, "month", "month-N", "year", "year-N" (this or N calendar
/// months or years back), whose first day it gives, or its last for an end filter (`bEnd`).
/// Returns false, leaving the filter as it was, for any other text and for a date outside
/// the years kFirstDateYear to kLastDateYear. `pLogFileFilter` holds kTextBuf bytes. With
/// iPeriodStart above 1, "month" and "month-N" run from that day of a month to the day before it
/// in the next month (billing periods); written months stay calendar months.
bool ProcessSpecialDateParameter(char* pLogFileFilter, time_t tNow, bool bEnd = false,
                                 int32_t iPeriodStart = 1);

/// The same rule, the day given as a number (YYYYMMDD) and the filter left as it is.
bool ResolveDateFilter(std::string_view szFilter, time_t tNow, bool bEnd, int32_t iPeriodStart,
                       date_number_t& uiDay);
