// Tests of the console report: every line of a report pinned, in and out distinct.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "report/sample_report_test.h"
#include "test_support.h"

TEST(ConsoleReport, PinsEveryLine) {
  const report_t tReport = MakeSampleReport(MakeSampleOptions());
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tReport, 3.25); }),
            "======================================================================================"
            "===============\nBandwidth usage from: 20261130 to 20261202\nTotals for host "
            "[10.0.0.1 alpha]\tIncoming [4.50 MB]\tOutgoing [0.38 MB]\tTotal [4.88 MB]\nTotals for "
            "host [2001:db8::9]\tIncoming [0.01 MB]\tOutgoing [2.00 MB]\tTotal [2.01 MB]\nTotals "
            "for other hosts (1)\tIncoming [0.02 MB]\tOutgoing [0.40 MB]\tTotal [0.42 "
            "MB]\n================================================================================="
            "====================\nTotals for all hosts in filter\tIncoming [4.53 MB]\tOutgoing "
            "[2.77 MB]\tTotal [7.30 MB]\nIncomplete: traffic may be missing on 2026-12-01: the "
            "collector was stopped\n\nElapsed time to generate stats: 3.25\n");
}

TEST(ConsoleReport, KeysAloneWithoutNamesAndEveryHostWithoutTop) {
  report_options_t tOptions;
  const report_t tReport = MakeSampleReport(tOptions);
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tReport, 0); }),
            "======================================================================================"
            "===============\nBandwidth usage from: 20261130 to 20261202\nTotals for host "
            "[10.0.0.1]\tIncoming [4.50 MB]\tOutgoing [0.38 MB]\tTotal [4.88 MB]\nTotals for host "
            "[2001:db8::9]\tIncoming [0.01 MB]\tOutgoing [2.00 MB]\tTotal [2.01 MB]\nTotals for "
            "host [10.0.0.3]\tIncoming [0.02 MB]\tOutgoing [0.40 MB]\tTotal [0.42 "
            "MB]\n================================================================================="
            "====================\nTotals for all hosts in filter\tIncoming [4.53 MB]\tOutgoing "
            "[2.77 MB]\tTotal [7.30 MB]\nIncomplete: traffic may be missing on 2026-12-01: the "
            "collector was stopped\n\nElapsed time to generate stats: 0.00\n");
}

TEST(ConsoleReport, ReportWithoutReadingsSaysNone) {
  report_t tReport;
  ApplyReportOptions(report_options_t{}, false, tReport);
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteConsoleReport(pOut, tReport, 0); }),
            "======================================================================================"
            "===============\nBandwidth usage from: none to "
            "none\n================================================================================"
            "=====================\nTotals for all hosts in filter\tIncoming [0.00 MB]\tOutgoing "
            "[0.00 MB]\tTotal [0.00 MB]\n\nElapsed time to generate stats: 0.00\n");
}
