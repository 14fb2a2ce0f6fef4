// Tests of the daily page: each day's bar and cell (in and out distinct in their titles), the
// day that may lack traffic, the bill and the totals, pinned.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/report.h"
#include "report/sample_report_test.h"
#include "test_support.h"

TEST(DailyPage, PinsEveryDayBarCellAndBillRow) {
  const std::string szPage = WriteToString(
      [&](std::FILE* pOut) { WriteDailyPage(pOut, MakeSampleReport(MakeSampleOptions())); });
  const std::vector<std::string> kPieces = {
      "<title>netreckon: traffic from 2026-11-30 to 2026-12-02</title>",
      "<h1>Traffic from 2026-11-30 to 2026-12-02</h1>\n<p>Traffic per day, 3 hosts together.</p>",
      "<g><title>2026-11-30: in 1.520 MB, out 650.0 kB</title>",
      "<g><title>2026-12-01: in 10.00 kB, out 2.000 MB</title>",
      "<g class=\"incomplete\"><title>2026-12-01: incomplete: the collector was stopped</title>",
      "<g><title>2026-12-02: in 3.000 MB, out 125.0 kB</title>",
      "<thead><tr><th>Host</th><th title=\"2026-11-30\">11-30</th><th style=\"color:#c00\" "
      "title=\"2026-12-01: incomplete: the collector was stopped\">12-01!</th><th "
      "title=\"2026-12-02\">12-02</th><th class=\"sum\">Total</th></tr></thead>",
      "<tr><td title=\"10.0.0.1 alpha\">10.0.0.1 <span class=\"name\">alpha</span></td><td "
      "title=\"in 1.500 MB, out 250.0 kB\">1.75<small>MB</small></td><td title=\"in 0, out "
      "0\">0</td><td title=\"in 3.000 MB, out 125.0 kB\">3.12<small>MB</small></td><td "
      "class=\"sum\">4.88<small>MB</small></td></tr>\n",
      "<tr><td title=\"2001:db8::9\">2001:db8::9</td><td title=\"in 0, out 0\">0</td><td "
      "title=\"in 10.00 kB, out 2.000 MB\">2.01<small>MB</small></td><td title=\"in 0, out "
      "0\">0</td><td class=\"sum\">2.01<small>MB</small></td></tr>\n",
      "<tr><td title=\"other hosts (1)\">other hosts (1)</td><td title=\"in 20.00 kB, out 400.0 "
      "kB\">420<small>kB</small></td><td title=\"in 0, out 0\">0</td><td title=\"in 0, out "
      "0\">0</td><td class=\"sum\">420<small>kB</small></td></tr>\n",
      "<tr class=\"sum\"><td title=\"All hosts\">All hosts</td><td title=\"in 1.520 MB, out "
      "650.0 kB\">2.17<small>MB</small></td><td title=\"in 10.00 kB, out 2.000 "
      "MB\">2.01<small>MB</small></td><td title=\"in 3.000 MB, out 125.0 "
      "kB\">3.12<small>MB</small></td><td class=\"sum\">7.30<small>MB</small></td></tr>\n",
      "<h2>Per host from 2026-11-30 to 2026-12-02</h2>",
      "<tr><td title=\"10.0.0.1 alpha\">10.0.0.1 <span class=\"name\">alpha</span></td><td>4.500 "
      "MB</td><td>375.0 kB</td><td class=\"sum\">4.875 MB</td></tr>\n<tr><td "
      "title=\"2001:db8::9\">2001:db8::9</td><td>10.00 kB</td><td>2.000 MB</td><td "
      "class=\"sum\">2.010 MB</td></tr>\n<tr><td title=\"other hosts (1)\">other hosts "
      "(1)</td><td>20.00 kB</td><td>400.0 kB</td><td class=\"sum\">420.0 kB</td></tr>\n<tr "
      "class=\"sum\"><td title=\"All hosts\">All hosts</td><td>4.530 MB</td><td>2.775 "
      "MB</td><td class=\"sum\">7.305 MB</td></tr>\n",
      "<p class=\"foot\">Totals in: 4.530 MB, out: 2.775 MB, together: 7.305 MB.</p>\n</body>\n"
      "</html>\n",
  };
  for (const std::string& szPiece : kPieces) {
    EXPECT_NE(szPage.find(szPiece), std::string::npos) << szPiece << "\n" << szPage;
  }
}

// A group's row is titled by its name and shows its addresses on hovering; the name is not
// repeated beside it. Without snapshots on a day, its column says there is no data.
TEST(DailyPage, GroupRowsAndDaysWithoutData) {
  report_options_t tOptions;
  tOptions.bNames = true;
  tOptions.bGroupByName = true;
  report_t tReport;
  tReport.uiFrom = 20261130;
  tReport.uiTo = 20261201;
  tReport.iDays = 2;
  tReport.tHosts = {
      {"10.0.0.1", {}, "shop", false, {}, {{0, 1, 2}}, {}, 1, 2, 1000000, 2000000},
      {"10.0.0.2", {}, "shop", false, {}, {{0, 3, 5}}, {}, 3, 5, 3000000, 5000000},
  };
  tReport.tSnapshots = {{0, 1}};
  tReport.tDays = {{0, 4, 7, 4000000, 7000000}};
  tReport.dInTotal = 4;
  tReport.dOutTotal = 7;
  tReport.llInBytes = 4000000;
  tReport.llOutBytes = 7000000;
  ApplyReportOptions(tOptions, true, tReport);
  const std::string szPage = WriteToString([&](std::FILE* pOut) { WriteDailyPage(pOut, tReport); });
  const std::vector<std::string> kPieces = {
      "<p>Traffic per day, 2 hosts together.</p>",
      "<g class=\"nodata\"><title>2026-12-01: no data</title>",
      "<th class=\"nodata\" title=\"2026-12-01: no data\">12-01</th>",
      "<tr><td title=\"10.0.0.1, 10.0.0.2\">shop</td><td title=\"in 4.000 MB, out 7.000 "
      "MB\">11.0<small>MB</small></td><td class=\"nodata\" title=\"no data\">&ndash;</td>",
      "<tr><td title=\"10.0.0.1, 10.0.0.2\">shop</td><td>4.000 MB</td><td>7.000 MB</td><td "
      "class=\"sum\">11.00 MB</td></tr>\n",
  };
  for (const std::string& szPiece : kPieces) {
    EXPECT_NE(szPage.find(szPiece), std::string::npos) << szPiece << "\n" << szPage;
  }
}

// Up to 16 days a column is headed by month and day, from 17 by the day alone; up to 62 days
// the table shows days, from 63 months.
TEST(DailyPage, HeadsColumnsByTheRangesLength) {
  const struct {
    int32_t iDays;
    const char* szHead;
  } kCases[] = {
      {16, "<th title=\"2026-11-01\">11-01</th>"},
      {17, "<th title=\"2026-11-01\">01</th>"},
      {62, "<th title=\"2026-11-01\">01</th>"},
      {63,
       "<th title=\"2026-11\">2026-11</th><th class=\"nodata\" title=\"2026-12: no "
       "data\">2026-12</th>"},
  };
  for (const auto& tCase : kCases) {
    report_t tReport;
    tReport.uiFrom = 20261101;
    tReport.uiTo = ShiftDate(20261101, tCase.iDays - 1);
    tReport.iDays = tCase.iDays;
    tReport.tHosts = {{"10.0.0.1", {}, "", false, {}, {{0, 1, 2}}, {}, 1, 2, 1000000, 2000000}};
    tReport.tSnapshots = {{0, 1}};
    tReport.tDays = {{0, 1, 2, 1000000, 2000000}};
    tReport.dInTotal = 1;
    tReport.dOutTotal = 2;
    tReport.llInBytes = 1000000;
    tReport.llOutBytes = 2000000;
    ApplyReportOptions(report_options_t{}, true, tReport);
    const std::string szPage =
        WriteToString([&](std::FILE* pOut) { WriteDailyPage(pOut, tReport); });
    EXPECT_NE(szPage.find(tCase.szHead), std::string::npos) << tCase.iDays << "\n" << szPage;
  }
}
