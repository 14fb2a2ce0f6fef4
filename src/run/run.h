// The run sequence: both passes over the snapshot directory, what each read and left out, and
// the messages that say so.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/records.h"
#include "logs/logs.h"
#include "report/report.h"

// What a run reads: the directory, the prefixes and the range, resolved to whole days.
struct run_request_t {
  const char* szLogPath;
  const char* szIncomingPrefix;
  const char* szOutgoingPrefix;
  date_number_t uiStart;
  date_number_t uiEnd;
  // The command line named an incoming prefix and no outgoing one: every file is then read as
  // outgoing too, which is said.
  bool bIncomingPrefixAlone;
  date_number_t uiToday;  // for the notice that the snapshots stop before the end date
};

// Everything a run holds: both tables, what was left out, and the snapshots it read.
struct run_t {
  host_table_t tBandwidthUsage;
  host_table_t tBandwidthUsageInitValue;
  report_range_t tRange;                  // the dates of the snapshots accounted, both passes
  bool bIncomplete = false;               // something was left out: the figures may be short
  bool bReadAny = false;                  // a snapshot of the range was read
  date_number_t uiLatestFileDate = 0;     // of the snapshots of the range that were read
  std::vector<snapshot_stamp_t> tStamps;  // of every snapshot of the range read
};

// ---- messages: "netreckon: " and the text, one line each ----

/// Writes "netreckon: ", the text and a line break on standard error.
[[gnu::format(printf, 1, 2)]] void Warn(const char* szFormat, ...);

/// The same, then ": " and the text of the error code iError.
[[gnu::format(printf, 2, 3)]] void WarnError(int iError, const char* szFormat, ...);

/// Text as a message shows it: control characters and backslashes escaped (\x1b, \\), so a
/// file name cannot drive the terminal.
std::string ShowText(std::string_view szText);

// ---- the run ----

/// Runs the incoming and then the outgoing pass over one listing of the directory, each
/// reading its snapshots of the range and then its baseline, and says on standard error what
/// was left out and what looks wrong.
void RunPasses(const run_request_t& tRequest, const dir_listing_t& tListing, run_t& tRun);

/// Reads the collector's events file of the snapshot folder, when there is one, and marks the
/// report's days that may lack traffic, each window said once. Returns true when a day of the
/// report is marked, or the file could not be read whole: the figures may be short.
bool MarkReportLosses(const run_request_t& tRequest, report_t& tReport);
