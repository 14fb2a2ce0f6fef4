// Tests of the CSV report: every row of a report pinned, per day and per month, in and out
// distinct, the snapshots and the completeness of each day.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "report/sample_report_test.h"
#include "test_support.h"

TEST(CsvReport, PinsEveryRowPerDay) {
  const report_t tReport = MakeSampleReport(MakeSampleOptions());
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, tReport); }),
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots,complete\r\n10.0.0.1,alpha,"
            "2026-11-30,1500000,250000,2,true\r\n10.0.0.1,alpha,2026-12-01,0,0,1,false\r\n10.0.0.1,"
            "alpha,2026-12-02,3000000,125000,1,true\r\n2001:db8::9,,2026-11-30,0,0,2,true\r\n2001:"
            "db8::9,,2026-12-01,10000,2000000,1,false\r\n2001:db8::9,,2026-12-02,0,0,1,true\r\n10."
            "0.0.3,<c&d>,2026-11-30,20000,400000,2,true\r\n10.0.0.3,<c&d>,2026-12-01,0,0,1,"
            "false\r\n10.0.0.3,<c&d>,2026-12-02,0,0,1,true\r\n");
}

TEST(CsvReport, PinsEveryRowPerMonth) {
  report_options_t tOptions = MakeSampleOptions();
  tOptions.eBy = report_period_t::kMonth;
  const report_t tReport = MakeSampleReport(tOptions);
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, tReport); }),
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots,first_day,last_day,period_"
            "first_day,period_last_day,complete\r\n10.0.0.1,alpha,2026-11,1500000,250000,2,2026-11-"
            "30,2026-11-30,2026-11-01,2026-11-30,true\r\n10.0.0.1,alpha,2026-12,3000000,125000,2,"
            "2026-12-01,2026-12-02,2026-12-01,2026-12-31,false\r\n2001:db8::9,,2026-11,0,0,2,2026-"
            "11-30,2026-11-30,2026-11-01,2026-11-30,true\r\n2001:db8::9,,2026-12,10000,2000000,2,"
            "2026-12-01,2026-12-02,2026-12-01,2026-12-31,false\r\n10.0.0.3,<c&d>,2026-11,20000,"
            "400000,2,2026-11-30,2026-11-30,2026-11-01,2026-11-30,true\r\n10.0.0.3,<c&d>,2026-12,0,"
            "0,2,2026-12-01,2026-12-02,2026-12-01,2026-12-31,false\r\n");
}

TEST(CsvReport, WithoutLossesHasNoCompleteColumn) {
  report_t tReport = MakeSampleReport(MakeSampleOptions());
  tReport.tLosses.clear();
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteCsvReport(pOut, tReport); }),
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n10.0.0.1,alpha,2026-11-30,"
            "1500000,250000,2\r\n10.0.0.1,alpha,2026-12-01,0,0,1\r\n10.0.0.1,alpha,2026-12-02,"
            "3000000,125000,1\r\n2001:db8::9,,2026-11-30,0,0,2\r\n2001:db8::9,,2026-12-01,10000,"
            "2000000,1\r\n2001:db8::9,,2026-12-02,0,0,1\r\n10.0.0.3,<c&d>,2026-11-30,20000,400000,"
            "2\r\n10.0.0.3,<c&d>,2026-12-01,0,0,1\r\n10.0.0.3,<c&d>,2026-12-02,0,0,1\r\n");
}
