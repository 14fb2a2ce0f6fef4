// A report made by hand for the writers' tests: three days, three hosts whose every figure
// differs in and out, one of them past --top, and a day that may lack
// traffic, so that a writer that swaps, drops or shifts a figure shows it.
#pragma once

#include "report/report.h"

// 2026-11-30 to 2026-12-02. In MB and bytes, in / out per day:
//   10.0.0.1 "alpha":   day 0 1.5 / 0.25, day 2 3 / 0.125
//   2001:db8::9:        day 1 0.01 / 2
//   10.0.0.3 "<c&d>":   day 0 0.02 / 0.4 (past --top 2: the other hosts)
// Snapshots: day 0 two, days 1 and 2 one each. Day 1 may lack traffic.
inline report_t MakeSampleReport(const report_options_t& tOptions) {
  report_t tReport;
  tReport.uiFrom = 20261130;
  tReport.uiTo = 20261202;
  tReport.iDays = 3;
  // A host's days hold MB; their whole bytes are those rounded.
  tReport.tHosts = {
      {"10.0.0.1",
       {},
       "alpha",
       false,
       {},
       {{0, 1.5, 0.25}, {2, 3, 0.125}},
       {},
       4.5,
       0.375,
       4500000,
       375000},
      {"2001:db8::9", {}, "", false, {}, {{1, 0.01, 2}}, {}, 0.01, 2, 10000, 2000000},
      {"10.0.0.3", {}, "<c&d>", false, {}, {{0, 0.02, 0.4}}, {}, 0.02, 0.4, 20000, 400000},
  };
  tReport.tSnapshots = {{0, 2}, {1, 1}, {2, 1}};
  tReport.dInTotal = 4.53;
  tReport.dOutTotal = 2.775;
  tReport.tDays = {{0, 1.52, 0.65, 1520000, 650000},
                   {1, 0.01, 2, 10000, 2000000},
                   {2, 3, 0.125, 3000000, 125000}};
  tReport.llInBytes = 4530000;
  tReport.llOutBytes = 2775000;
  tReport.tLosses = {{1, 1, "the collector was stopped"}};
  ApplyReportOptions(tOptions, false, tReport);
  return tReport;
}

// The options of the sample: names shown, the first two hosts, in their order.
inline report_options_t MakeSampleOptions() {
  report_options_t tOptions;
  tOptions.bNames = true;
  tOptions.iTop = 2;
  return tOptions;
}
