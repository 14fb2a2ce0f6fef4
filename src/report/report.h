// The report's figures, built once from the two tables, and one writer per format.
#pragma once

#include <cstdint>
#include <cstdio>

#include "accounting/records.h"

// What the first argument asks for.
enum class report_type_t { kNone, kConsole, kHtml, kCsv, kJson, kDaily };

// One host's traffic, the baseline taken out: in MB as accounted, and in whole bytes.
struct host_figures_t {
  const char* szHost;  // the key as the usage table holds it
  double dInDays[kDaySlots];
  double dOutDays[kDaySlots];
  double dInTotal;  // the day slots summed in order, less the baseline
  double dOutTotal;
  long long llInDayBytes[kDaySlots];  // each day rounded to whole bytes
  long long llOutDayBytes[kDaySlots];
  long long llInBytes;  // the sums of the rounded days
  long long llOutBytes;
};

struct report_t {
  date_number_t uiFrom;  // the report range: start_date and end_date
  date_number_t uiTo;
  int32_t iDays;  // calendar days from uiFrom that the day slots cover; 0 without readings
  char szDays[kDaySlots][kIsoDateBuf];  // those days as YYYY-MM-DD
  int32_t iHosts;
  host_figures_t tHosts[kMaxClients];
  double dInTotal;  // all hosts
  double dOutTotal;
  double dInDays[kDaySlots];  // all hosts per day
  double dOutDays[kDaySlots];
  long long llInBytes;  // all hosts, the sums of the hosts' bytes
  long long llOutBytes;
};

/// The report type of the first argument: a word (console, html, csv, json, daily), else a
/// number read like atoi (0 console, 1 html, anything else no report).
report_type_t ParseReportType(const char* szArgument);

/// Builds the figures of a run. The baseline (slot 0 of the host's record in the init table) is
/// taken out of each direction's total and of the day of the first reading, unless that first
/// reading is below it: the counter was reset in between, and the reading counts whole.
void BuildReport(const host_table_t& tUsage, const host_table_t& tInit, report_t& tReport);

/// True when readings of the range fell after the 31 day slots and are missing from it.
bool HasDroppedReadings(const report_t& tReport);

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
