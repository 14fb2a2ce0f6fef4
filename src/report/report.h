// The report's figures, built once from the two tables, and one writer per format.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "accounting/records.h"

// What the first argument asks for.
enum class report_type_t { kNone, kConsole, kHtml, kCsv, kJson, kDaily, kMonthly };

// The order of the hosts: as first seen, by bytes (most first, ties as first seen), by address.
enum class host_order_t { kFirstSeen, kTotal, kIn, kOut, kHost };

// What csv and json give a row or an entry per, and the monthly page a column per.
enum class report_period_t { kDay, kWeek, kMonth };

// What the options ask of the report.
struct report_options_t {
  bool bNames = false;  // names in the console and HTML reports too
  host_order_t eOrder = host_order_t::kFirstSeen;
  bool bOrderGiven = false;  // --sort given: the pages keep it instead of sorting by total
  int32_t iTop = 0;          // hosts shown before "other hosts"; 0: all
  report_period_t eBy = report_period_t::kDay;  // csv and json
  int32_t iPeriodStart = 1;    // the day of the month a month starts on for billing (1 to 28)
  bool bGroupByName = false;   // hosts sharing a name are one row
  long long llOverBytes = -1;  // only hosts whose total passes this many bytes; -1: all
};

// One calendar day of a host's traffic as held, the baseline taken out: in MB as accounted.
// Its whole bytes are these figures rounded, so they are not held beside them (24 bytes a day
// for a big site's many hosts, not 40).
struct day_amount_t {
  int32_t iDay;  // calendar days after the report's first day
  double dIn;
  double dOut;
};

// A day's whole bytes in a sum of hosts (a group, the others): the sums of the hosts' rounded
// days, which their rounded sum need not be.
struct day_bytes_t {
  long long llIn;
  long long llOut;
};

// One calendar day's traffic, the baseline taken out: in MB as accounted, and in whole bytes.
struct day_figures_t {
  int32_t iDay;  // calendar days after the report's first day
  double dIn;
  double dOut;
  long long llIn;
  long long llOut;
};

// One period's traffic (a week, a month): the sums of its days.
struct period_figures_t {
  int32_t iPeriod;  // periods after the report's first
  double dIn;
  double dOut;
  long long llIn;
  long long llOut;
};

// One host: only the days that hold figures, in ascending order.
struct host_figures_t {
  std::string szHost;                  // the key as the usage table holds it, or a group's name
  std::vector<std::string> tMembers;   // a group's host keys, in the order first seen
  std::string szName;                  // empty when unknown
  bool bLeaseName = false;             // named by a DHCP lease, not the admin: never grouped
  std::vector<std::string> tDayNames;  // per day of the report where leases named it differently
  std::vector<day_amount_t> tDays;
  // A sum of hosts: the whole bytes of each of tDays, beside them. Empty for one host, whose
  // days' bytes are their figures rounded.
  std::vector<day_bytes_t> tDayBytes;
  double dInTotal;  // the days summed in order, less the baseline
  double dOutTotal;
  long long llInBytes;  // the sums of the rounded days, held at the largest value they reach
  long long llOutBytes;
};

// The snapshots read for one calendar day of the report, both directions.
struct day_snapshots_t {
  int32_t iDay;
  int32_t iSnapshots;
};

// Days of the report on which traffic may have gone uncounted, and what the collector found.
struct loss_window_t {
  int32_t iFirstDay;  // days of the report, within it
  int32_t iLastDay;
  std::string szWhy;  // what was found, the last good snapshot and the one that found it
};

struct report_t {
  date_number_t uiFrom = 0;  // the report range: start_date and end_date
  date_number_t uiTo = 0;
  int32_t iDays = 0;  // calendar days from uiFrom that the report covers; 0 without readings
  std::vector<host_figures_t> tHosts;       // in the order the options ask for
  std::vector<day_snapshots_t> tSnapshots;  // only days with snapshots, in ascending order
  report_options_t tOptions;
  std::size_t iShown = 0;  // hosts shown by the console, HTML and the pages
  host_figures_t tOthers;  // the hosts after the shown ones, summed (when there are any)
  double dInTotal = 0;     // all hosts
  double dOutTotal = 0;
  std::vector<day_figures_t> tDays;  // all hosts per day, only the days with figures
  long long llInBytes = 0;           // all hosts, the sums of the hosts' bytes
  long long llOutBytes = 0;
  std::vector<loss_window_t> tLosses;  // the windows that reach into the report, as found
};

// The report types' words, for messages.
constexpr const char* kReportTypes = "0, 1, console, html, csv, json, daily or monthly";

/// The report type of the first argument: a number as atoi reads one (0 console, 1 html, any
/// other no report), or a word, ASCII case ignored (console, html, csv, json, daily, monthly).
/// Returns false for any other text.
bool ParseReportType(const char* szArgument, report_type_t& eType);

/// Builds the figures of a run over the report range uiFrom to uiTo (the days count from
/// uiFrom). The baseline (day 0 of the host's record in the init table) is taken out of each
/// direction's total and of the day of the first reading, unless that first reading is below
/// it: the counter was reset in between, and the reading counts whole. Without bKeepDays the
/// hosts hold their totals only, no days (for the console and HTML reports, which print none).
/// With them, each host's day series in the usage table is released once its figures are
/// built, so that a big site's days are never held twice: the table keeps its hosts, without
/// readings.
void BuildReport(host_table_t& tUsage, const host_table_t& tInit, date_number_t uiFrom,
                 date_number_t uiTo, report_t& tReport, bool bKeepDays = true);

// A snapshot's date and time as its name carries them: YYYYMMDD and six characters.
using snapshot_stamp_t = std::array<char, 14>;

/// The stamp of the last 14 characters of a snapshot's date and time part.
snapshot_stamp_t MakeSnapshotStamp(std::string_view szStamp);

/// Counts the snapshot times read per calendar day of the report from their stamps: a time read
/// in both directions is one.
void CountReportSnapshots(std::vector<snapshot_stamp_t> tStamps, report_t& tReport);

// Traffic that no host's counter took, as the kit keys its row: "!CAUSE:SUBNET" (no address
// begins with '!').
struct uncounted_t {
  std::string szCause;  // "full": the subnet's set of hosts was full
  std::string szSubnet;
  long long llInBytes;
  long long llOutBytes;
};

/// The rows of traffic that no host's counter took (keys "!CAUSE:SUBNET", CAUSE of lower-case
/// letters) that carry traffic over the report's range, in the order of the report's hosts.
std::vector<uncounted_t> FindUncountedRows(const report_t& tReport);

/// Makes the hosts that share a name one row, titled by the name, with their figures summed per
/// day and direction and their keys as members; hosts without a name, or named by a lease,
/// stay as they are. The all-hosts figures do not change.
void GroupReportHosts(report_t& tReport);

/// Leaves only the hosts whose total (in and out) passes llOverBytes bytes; the all-hosts
/// figures do not change.
void KeepHostsOver(long long llOverBytes, report_t& tReport);

/// Applies the options to the hosts, in this order: groups those sharing a name (--group),
/// keeps those over the size (--over), orders them as asked and sums those after the first
/// iTop into tOthers. `bPage` orders by total when no order was asked for.
void ApplyReportOptions(const report_options_t& tOptions, bool bPage, report_t& tReport);

/// Marks the days of the report that may lack traffic lost after the last good snapshot (a
/// stamp YYYYMMDDHHMMSS) up to the one that found the loss: the days after the last good one's
/// day, to the day it was found (that day alone when both are of one day). The report's own
/// rule puts traffic on the day of the reading that shows it, so no earlier day is short.
/// Returns false, marking nothing, when no such day is a day of the report.
bool MarkReportLoss(std::string_view szLastGood, std::string_view szFound, std::string_view szWhat,
                    report_t& tReport);

/// A loss window's notice: "traffic may be missing on DAY: WHY" (or "from DAY to DAY").
std::string FormatLossNotice(const report_t& tReport, const loss_window_t& tLoss);

/// The first loss window that holds a day of the report; nullptr for a complete day.
const loss_window_t* FindDayLoss(const report_t& tReport, int32_t iDay);

/// The first loss window that holds a day of a period of the report; nullptr when none does.
const loss_window_t* FindPeriodLoss(const report_t& tReport, report_period_t ePeriod,
                                    int32_t iPeriod);

/// The snapshots read on a day of the report (0 for a day without any).
int32_t GetDaySnapshots(const report_t& tReport, int32_t iDay);

// A period's label: YYYY-MM, YYYY-Www, or FIRST/LAST day for a month that starts on a day
// other than the 1st.
constexpr std::size_t kPeriodBuf = 72;

/// The snapshots read in a period of the report (counted from its first).
int32_t CountPeriodSnapshots(const report_t& tReport, report_period_t ePeriod, int32_t iPeriod);

/// The periods (weeks, or months from the options' period start) the report covers, and a
/// host's (or the others') figures per period.
int32_t CountReportPeriods(const report_t& tReport, report_period_t ePeriod);
std::vector<period_figures_t> SumHostPeriods(const report_t& tReport, report_period_t ePeriod,
                                             const host_figures_t& tHost);

/// The period (counted from the report's first) of a day of the report.
std::size_t GetReportPeriodOfDay(const report_t& tReport, report_period_t ePeriod, int32_t iDay);

/// The label of the report's first period plus iPeriod: YYYY-MM (a calendar month), YYYY-Www
/// (an ISO week), or YYYY-MM-DD/YYYY-MM-DD (a month from another day); `bShort` leaves the
/// years out of the last form, for a page's columns.
void FormatReportPeriod(const report_t& tReport, report_period_t ePeriod, int32_t iPeriod,
                        bool bShort, char (&szPeriod)[kPeriodBuf]);

// A period of the report: its own first and last day and the first and last day of it that
// the report covers, as days from 1970-01-01.
struct period_span_t {
  long long llFirst;
  long long llLast;
  long long llCoveredFirst;
  long long llCoveredLast;
};

/// The span of the report's first period plus iPeriod.
period_span_t GetPeriodSpan(const report_t& tReport, report_period_t ePeriod, int32_t iPeriod);

/// True when the report covers only some days of the period.
inline bool IsPeriodPartial(const period_span_t& tSpan) {
  return tSpan.llCoveredFirst != tSpan.llFirst || tSpan.llCoveredLast != tSpan.llLast;
}

/// ", 2 of 31 days" for a period the report covers only in part; "" for a whole one.
void FormatPeriodCoverage(const period_span_t& tSpan, char (&szCoverage)[kPeriodBuf]);

/// A day counted from 1970-01-01 as YYYY-MM-DD.
void FormatEpochDay(long long llDays, char (&szDate)[kIsoDateBuf]);

/// The periods the console, HTML and the pages mark when the report covers them only in part:
/// those of --by, else billing months (a period start after the 1st); false for none.
bool GetMarkedPeriod(const report_t& tReport, report_period_t& ePeriod);

// A period the report covers only in part: its label ("2026-10-20/2026-11-19, 2 of 31 days")
// and the first and last day covered.
struct partial_period_t {
  std::string szLabel;
  std::string szFirst;
  std::string szLast;
};

/// The periods of GetMarkedPeriod that the report covers only in part, in order.
std::vector<partial_period_t> ListPartialPeriods(const report_t& tReport);

// How a row shows a host, the one place that says it: a group is titled by its name and shows
// its addresses on hovering; any other host is titled by its key, its name beside it.
struct host_label_t {
  std::string szTitle;  // the key, or a group's name
  std::string szName;   // empty for a group and for a host without a name
  std::string szTip;    // a group's addresses, ", " between them; empty for any other host
};

/// The label of a host.
host_label_t GetHostLabel(const host_figures_t& tHost);

/// The host's key, or "KEY NAME" when the report shows names and the host has one.
std::string GetHostTitle(const report_t& tReport, const host_figures_t& tHost);

/// Calls fOnPeriod(label, figures, snapshots, span) for every period of the report, in order,
/// with a host's figures of that period (zeros for a period without any).
template <class OnPeriod>
void ForEachHostPeriod(const report_t& tReport, report_period_t ePeriod,
                       const host_figures_t& tHost, OnPeriod&& fOnPeriod) {
  const std::vector<period_figures_t> tPeriods = SumHostPeriods(tReport, ePeriod, tHost);
  const int32_t iPeriods = CountReportPeriods(tReport, ePeriod);
  std::size_t iNext = 0;
  for (int32_t iPeriod = 0; iPeriod < iPeriods; ++iPeriod) {
    period_figures_t tFigures = {iPeriod, 0, 0, 0, 0};
    if (iNext < tPeriods.size() && tPeriods[iNext].iPeriod == iPeriod) {
      tFigures = tPeriods[iNext++];
    }
    char szPeriod[kPeriodBuf];
    FormatReportPeriod(tReport, ePeriod, iPeriod, false, szPeriod);
    fOnPeriod(static_cast<const char*>(szPeriod), tFigures,
              CountPeriodSnapshots(tReport, ePeriod, iPeriod),
              GetPeriodSpan(tReport, ePeriod, iPeriod));
  }
}

/// The figures of a host's iIndex-th day that holds any, its whole bytes included.
day_figures_t GetHostDayFigures(const host_figures_t& tHost, std::size_t iIndex);

// Walks a host's days along the calendar days of a report.
struct day_cursor_t {
  const host_figures_t* pHost;
  std::size_t iNext;
};

/// The figures of day iDay (days asked in ascending order); zeros for a day without any.
day_figures_t GetNextDayFigures(day_cursor_t& tCursor, int32_t iDay);

/// A host's name on a day of the report: the day's own where leases named it differently.
const std::string& GetHostNameOnDay(const host_figures_t& tHost, int32_t iDay);

/// A host's name in a period of the report: the name of its last day.
const std::string& GetHostNameInPeriod(const report_t& tReport, report_period_t ePeriod,
                                       const host_figures_t& tHost, int32_t iPeriod);

/// The date of a day of the report as YYYY-MM-DD.
void FormatReportDay(const report_t& tReport, int32_t iDay, char (&szDate)[kIsoDateBuf]);

// ---- writers: each prints the figures, nothing else ----

void WriteConsoleReport(std::FILE* pOut, const report_t& tReport, double dElapsedSeconds);
void WriteHtmlReport(std::FILE* pOut, const report_t& tReport);
void WriteCsvReport(std::FILE* pOut, const report_t& tReport);
void WriteJsonReport(std::FILE* pOut, const report_t& tReport);
void WriteDailyPage(std::FILE* pOut, const report_t& tReport);
void WriteMonthlyPage(std::FILE* pOut, const report_t& tReport);

// ---- escaping text for the formats ----

/// Writes text with &, <, >, " and ' as HTML entities.
void WriteHtmlText(std::FILE* pOut, const char* szText);

/// Writes text as a JSON string, quotes included: ", \ and control characters escaped, bytes
/// that are not UTF-8 replaced by U+FFFD.
void WriteJsonString(std::FILE* pOut, const char* szText);

/// Writes text as one CSV field, quoted when it holds a comma, a quote or a line break; a
/// field that begins with =, +, - or @ is quoted with an apostrophe before it, so that a
/// spreadsheet shows it as text.
void WriteCsvField(std::FILE* pOut, const char* szText);
