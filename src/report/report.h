// The report's figures, built once from the two tables, and one writer per format.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "accounting/records.h"

// What the first argument asks for.
enum class report_type_t { kNone, kConsole, kHtml, kCsv, kJson, kDaily };

// One calendar day's traffic, the baseline taken out: in MB as accounted, and in whole bytes.
struct day_figures_t {
  int32_t iDay;  // calendar days after the report's first day
  double dIn;
  double dOut;
  long long llIn;
  long long llOut;
};

// One host: only the days that hold figures, in ascending order.
struct host_figures_t {
  const char* szHost;  // the key as the usage table holds it
  std::vector<day_figures_t> tDays;
  double dInTotal;  // the days summed in order, less the baseline
  double dOutTotal;
  long long llInBytes;  // the sums of the rounded days, held at the largest value they reach
  long long llOutBytes;
};

struct report_t {
  date_number_t uiFrom = 0;  // the report range: start_date and end_date
  date_number_t uiTo = 0;
  int32_t iDays = 0;  // calendar days from uiFrom that the report covers; 0 without readings
  std::vector<host_figures_t> tHosts;  // in the order hosts were first seen
  double dInTotal = 0;                 // all hosts
  double dOutTotal = 0;
  std::vector<day_figures_t> tDays;  // all hosts per day, only the days with figures
  long long llInBytes = 0;           // all hosts, the sums of the hosts' bytes
  long long llOutBytes = 0;
};

/// The report type of the first argument: a word (console, html, csv, json, daily), else a
/// number read like atoi (0 console, 1 html, anything else no report).
report_type_t ParseReportType(const char* szArgument);

/// Builds the figures of a run. The baseline (day 0 of the host's record in the init table) is
/// taken out of each direction's total and of the day of the first reading, unless that first
/// reading is below it: the counter was reset in between, and the reading counts whole.
void BuildReport(const host_table_t& tUsage, const host_table_t& tInit, report_t& tReport);

// Walks one list of day figures along the calendar days of a report.
struct day_cursor_t {
  const std::vector<day_figures_t>* pDays;
  std::size_t iNext;
};

/// The figures of day iDay (days asked in ascending order); zeros for a day without any.
day_figures_t GetNextDayFigures(day_cursor_t& tCursor, int32_t iDay);

/// The date of a day of the report as YYYY-MM-DD.
void FormatReportDay(const report_t& tReport, int32_t iDay, char (&szDate)[kIsoDateBuf]);

// ---- writers: each prints the figures, nothing else ----

void WriteConsoleReport(std::FILE* pOut, const report_t& tReport, double dElapsedSeconds);
void WriteHtmlReport(std::FILE* pOut, const report_t& tReport);
void WriteCsvReport(std::FILE* pOut, const report_t& tReport);
void WriteJsonReport(std::FILE* pOut, const report_t& tReport);
void WriteDailyPage(std::FILE* pOut, const report_t& tReport);

// ---- escaping text for the formats ----

/// Writes text with &, <, >, " and ' as HTML entities.
void WriteHtmlText(std::FILE* pOut, const char* szText);

/// Writes text as a JSON string, quotes included: ", \ and control characters escaped, bytes
/// that are not UTF-8 replaced by U+FFFD.
void WriteJsonString(std::FILE* pOut, const char* szText);

/// Writes text as one CSV field, quoted when it holds a comma, a quote or a line break.
void WriteCsvField(std::FILE* pOut, const char* szText);
