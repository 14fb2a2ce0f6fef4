// Tests of the JSON report: the whole object of a report pinned, per day and per week, in and
// out distinct, names escaped, null for a host without a name.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "report/sample_report_test.h"
#include "test_support.h"

TEST(JsonReport, PinsTheWholeObjectPerDay) {
  const report_t tReport = MakeSampleReport(MakeSampleOptions());
  EXPECT_EQ(
      WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, tReport); }),
      "{\"from\": \"2026-11-30\", \"to\": \"2026-12-02\", \"hosts\": [\n  {\"host\": \"10.0.0.1\", "
      "\"name\": \"alpha\", \"incoming_bytes\": 4500000, \"outgoing_bytes\": 375000, \"days\": [\n "
      "   {\"date\": \"2026-11-30\", \"incoming_bytes\": 1500000, \"outgoing_bytes\": 250000, "
      "\"snapshots\": 2, \"complete\": true},\n    {\"date\": \"2026-12-01\", \"incoming_bytes\": "
      "0, \"outgoing_bytes\": 0, \"snapshots\": 1, \"complete\": false},\n    {\"date\": "
      "\"2026-12-02\", \"incoming_bytes\": 3000000, \"outgoing_bytes\": 125000, \"snapshots\": 1, "
      "\"complete\": true}]},\n  {\"host\": \"2001:db8::9\", \"name\": null, \"incoming_bytes\": "
      "10000, \"outgoing_bytes\": 2000000, \"days\": [\n    {\"date\": \"2026-11-30\", "
      "\"incoming_bytes\": 0, \"outgoing_bytes\": 0, \"snapshots\": 2, \"complete\": true},\n    "
      "{\"date\": \"2026-12-01\", \"incoming_bytes\": 10000, \"outgoing_bytes\": 2000000, "
      "\"snapshots\": 1, \"complete\": false},\n    {\"date\": \"2026-12-02\", \"incoming_bytes\": "
      "0, \"outgoing_bytes\": 0, \"snapshots\": 1, \"complete\": true}]},\n  {\"host\": "
      "\"10.0.0.3\", \"name\": \"<c&d>\", \"incoming_bytes\": 20000, \"outgoing_bytes\": 400000, "
      "\"days\": [\n    {\"date\": \"2026-11-30\", \"incoming_bytes\": 20000, \"outgoing_bytes\": "
      "400000, \"snapshots\": 2, \"complete\": true},\n    {\"date\": \"2026-12-01\", "
      "\"incoming_bytes\": 0, \"outgoing_bytes\": 0, \"snapshots\": 1, \"complete\": false},\n    "
      "{\"date\": \"2026-12-02\", \"incoming_bytes\": 0, \"outgoing_bytes\": 0, \"snapshots\": 1, "
      "\"complete\": true}]}\n], \"incoming_bytes\": 4530000, \"outgoing_bytes\": 2775000}\n");
}

TEST(JsonReport, PinsTheWholeObjectPerWeek) {
  report_options_t tOptions = MakeSampleOptions();
  tOptions.eBy = report_period_t::kWeek;
  const report_t tReport = MakeSampleReport(tOptions);
  EXPECT_EQ(
      WriteToString([&](std::FILE* pOut) { WriteJsonReport(pOut, tReport); }),
      "{\"from\": \"2026-11-30\", \"to\": \"2026-12-02\", \"hosts\": [\n  {\"host\": \"10.0.0.1\", "
      "\"name\": \"alpha\", \"incoming_bytes\": 4500000, \"outgoing_bytes\": 375000, \"weeks\": "
      "[\n    {\"date\": \"2026-W49\", \"incoming_bytes\": 4500000, \"outgoing_bytes\": 375000, "
      "\"snapshots\": 4, \"first_day\": \"2026-11-30\", \"last_day\": \"2026-12-02\", "
      "\"period_first_day\": \"2026-11-30\", \"period_last_day\": \"2026-12-06\", \"complete\": "
      "false}]},\n  {\"host\": \"2001:db8::9\", \"name\": null, \"incoming_bytes\": 10000, "
      "\"outgoing_bytes\": 2000000, \"weeks\": [\n    {\"date\": \"2026-W49\", \"incoming_bytes\": "
      "10000, \"outgoing_bytes\": 2000000, \"snapshots\": 4, \"first_day\": \"2026-11-30\", "
      "\"last_day\": \"2026-12-02\", \"period_first_day\": \"2026-11-30\", \"period_last_day\": "
      "\"2026-12-06\", \"complete\": false}]},\n  {\"host\": \"10.0.0.3\", \"name\": \"<c&d>\", "
      "\"incoming_bytes\": 20000, \"outgoing_bytes\": 400000, \"weeks\": [\n    {\"date\": "
      "\"2026-W49\", \"incoming_bytes\": 20000, \"outgoing_bytes\": 400000, \"snapshots\": 4, "
      "\"first_day\": \"2026-11-30\", \"last_day\": \"2026-12-02\", \"period_first_day\": "
      "\"2026-11-30\", \"period_last_day\": \"2026-12-06\", \"complete\": false}]}\n], "
      "\"incoming_bytes\": 4530000, \"outgoing_bytes\": 2775000}\n");
}
