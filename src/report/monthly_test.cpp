// Tests of the monthly page: each month's bar and cell (in and out distinct in their titles),
// the months the range covers only in part, the month that may lack traffic, the bill.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/report.h"
#include "report/sample_report_test.h"
#include "test_support.h"

TEST(MonthlyPage, PinsEveryMonthBarCellAndBillRow) {
  const std::string szPage = WriteToString(
      [&](std::FILE* pOut) { WriteMonthlyPage(pOut, MakeSampleReport(MakeSampleOptions())); });
  const std::vector<std::string> kPieces = {
      "<title>netreckon: monthly traffic from 2026-11 to 2026-12</title>",
      "<h1>Monthly traffic from 2026-11 to 2026-12</h1>\n<p>Traffic per calendar month, 3 hosts "
      "together.</p>",
      "<g class=\"partial\" opacity=\"0.5\"><title>2026-11, 1 of 30 days: in 1.520 MB, out 650.0 "
      "kB</title>",
      "<g class=\"partial\" opacity=\"0.5\"><title>2026-12, 2 of 31 days: in 3.010 MB, out 2.125 "
      "MB</title>",
      "<g class=\"incomplete\"><title>2026-12, 2 of 31 days: incomplete: the collector was "
      "stopped</title>",
      "<thead><tr><th>Host</th><th title=\"2026-11, 1 of 30 days\">2026-11<br><small>1 of 30 "
      "days</small></th><th style=\"color:#c00\" title=\"2026-12, 2 of 31 days: incomplete: the "
      "collector was stopped\">2026-12!<br><small>2 of 31 days</small></th><th "
      "class=\"sum\">Total</th></tr></thead>",
      "<tr><td title=\"10.0.0.1 alpha\">10.0.0.1 <span class=\"name\">alpha</span></td><td "
      "title=\"in 1.500 MB, out 250.0 kB\">1.75<small>MB</small></td><td title=\"in 3.000 MB, "
      "out 125.0 kB\">3.12<small>MB</small></td><td class=\"sum\">4.88<small>MB</small></td></"
      "tr>\n",
      "<tr><td title=\"2001:db8::9\">2001:db8::9</td><td title=\"in 0, out 0\">0</td><td "
      "title=\"in 10.00 kB, out 2.000 MB\">2.01<small>MB</small></td><td "
      "class=\"sum\">2.01<small>MB</small></td></tr>\n",
      "<tr><td title=\"other hosts (1)\">other hosts (1)</td><td title=\"in 20.00 kB, out 400.0 "
      "kB\">420<small>kB</small></td><td title=\"in 0, out 0\">0</td><td "
      "class=\"sum\">420<small>kB</small></td></tr>\n",
      "<tr class=\"sum\"><td title=\"All hosts\">All hosts</td><td title=\"in 1.520 MB, out "
      "650.0 kB\">2.17<small>MB</small></td><td title=\"in 3.010 MB, out 2.125 "
      "MB\">5.13<small>MB</small></td><td class=\"sum\">7.30<small>MB</small></td></tr>\n",
      "<tr><td title=\"2001:db8::9\">2001:db8::9</td><td>10.00 kB</td><td>2.000 MB</td><td "
      "class=\"sum\">2.010 MB</td></tr>\n",
      "<p class=\"foot\">Totals in: 4.530 MB, out: 2.775 MB, together: 7.305 MB.</p>\n",
  };
  for (const std::string& szPiece : kPieces) {
    EXPECT_NE(szPage.find(szPiece), std::string::npos) << szPiece << "\n" << szPage;
  }
}

// Months from the 25th: the range's days fall in the month from 2026-11-25, and its label
// shows the days it runs over.
TEST(MonthlyPage, BillingMonthsFromAnotherDay) {
  report_options_t tOptions = MakeSampleOptions();
  tOptions.iPeriodStart = 25;
  const std::string szPage =
      WriteToString([&](std::FILE* pOut) { WriteMonthlyPage(pOut, MakeSampleReport(tOptions)); });
  EXPECT_NE(
      szPage.find("<p>Traffic per month from day 25 to the day before it, 3 hosts together.</p>"),
      std::string::npos)
      << szPage;
  EXPECT_NE(
      szPage.find("<title>2026-11-25/2026-12-24, 3 of 30 days: in 4.530 MB, out 2.775 MB</title>"),
      std::string::npos)
      << szPage;
}
