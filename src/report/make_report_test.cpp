// Tests of the report pipeline as the program runs it: --over at zero, the names of the admin
// and of leases at the edges of the report's days, and the status of what was made.
#include "report/make_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addresses/address.h"
#include "test_support.h"
#include "time_zone.h"

namespace {

// Three hosts over 2009-04-25 and 26 (UTC): 10.0.0.3 has no traffic in the range.
report_t MakeFrom(request_t& tRequest, std::string& szStderr) {
  const temp_dir_t tDir;
  const std::vector<std::pair<std::string, std::string>> tBase = {
      {"10.0.0.1", "0"}, {"10.0.0.2", "0"}, {"10.0.0.3", "50"}};
  tDir.Write("in_20090424230000", MakeLogText(0, tBase));
  tDir.Write("in_20090425120000",
             MakeLogText(0, {{"10.0.0.1", "300"}, {"10.0.0.2", "7"}, {"10.0.0.3", "50"}}));
  tDir.Write("in_20090426120000",
             MakeLogText(0, {{"10.0.0.1", "900"}, {"10.0.0.2", "8"}, {"10.0.0.3", "50"}}));
  tDir.Write("out_20090424230000", MakeLogText(1, tBase));
  tDir.Write("out_20090426120000",
             MakeLogText(1, {{"10.0.0.1", "40"}, {"10.0.0.2", "2000"}, {"10.0.0.3", "50"}}));
  CopyText(tRequest.szLogPath, kTextBuf, tDir.szPath);
  CopyText(tRequest.szIncomingDataLogfilePrefix, kTextBuf, "in_");
  CopyText(tRequest.szOutgoingDataLogfilePrefix, kTextBuf, "out_");
  tRequest.start_date = 20090425;
  tRequest.end_date = 20090426;
  tRequest.uiToday = 20261208;
  run_t tRun;
  RunPasses(MakeRunRequest(tRequest), ListLogDirectory(tRequest.szLogPath), tRun);
  report_t tReport;
  testing::internal::CaptureStderr();
  EXPECT_TRUE(MakeReport(tRun, tRequest, tReport));
  szStderr = testing::internal::GetCapturedStderr();
  return tReport;
}

std::string ListHosts(const report_t& tReport) {
  std::string szHosts;
  for (const host_figures_t& tHost : tReport.tHosts) {
    szHosts += tHost.szHost + " " + std::to_string(tHost.llInBytes) + "/" +
               std::to_string(tHost.llOutBytes) + (tHost.szName.empty() ? "" : " " + tHost.szName) +
               "\n";
  }
  return szHosts;
}

}  // namespace

// --over 0 leaves out a host without traffic; a size one byte under a host's total keeps it.
TEST(MakeReport, KeepsHostsOverTheSizeFromZero) {
  const TimeZone tZone("UTC");
  const struct {
    long long llOver;
    const char* szHosts;
  } kCases[] = {
      {-1, "10.0.0.1 900/40\n10.0.0.2 8/2000\n10.0.0.3 0/0\n"},
      {0, "10.0.0.1 900/40\n10.0.0.2 8/2000\n"},
      {939, "10.0.0.1 900/40\n10.0.0.2 8/2000\n"},
      {940, "10.0.0.2 8/2000\n"},
      {2007, "10.0.0.2 8/2000\n"},
      {2008, ""},
  };
  for (const auto& tCase : kCases) {
    request_t tRequest;
    tRequest.eReport = report_type_t::kCsv;
    tRequest.tOptions.llOverBytes = tCase.llOver;
    std::string szStderr;
    EXPECT_EQ(ListHosts(MakeFrom(tRequest, szStderr)), tCase.szHosts) << tCase.llOver;
    EXPECT_EQ(szStderr, "") << tCase.llOver;
  }
}

// A lease that names a host the admin named otherwise is said when it is valid on a day of the
// report (2009-04-25 00:00 to 2009-04-27 00:00 UTC), not when it ends as the first day begins
// or begins as the day after the last does; a host without the admin's name takes the lease's.
TEST(MakeReport, SaysLeasesOfTheReportsDaysThatNameAnAdminsHostOtherwise) {
  const TimeZone tZone("UTC");
  constexpr long long kFirstDay = 1240617600;  // 2009-04-25 00:00 UTC
  constexpr long long kAfterLast = kFirstDay + 2 * 86400;
  const struct {
    long long llFrom;
    long long llUntil;
    bool bSaid;
  } kCases[] = {
      {0, kFirstDay, false},
      {0, kFirstDay + 1, true},
      {kAfterLast - 1, kAfterLast + 86400, true},
      {kAfterLast, kAfterLast + 86400, false},
      {kFirstDay + 5, kFirstDay + 5, false},
  };
  for (const auto& tCase : kCases) {
    request_t tRequest;
    tRequest.eReport = report_type_t::kConsole;
    tRequest.tNames.tBook.tAdmin[MakeAddressKey("10.0.0.1")] = "desk";
    tRequest.tNames.tBook.tLeases[MakeAddressKey("10.0.0.1")] = {
        {"laptop", tCase.llFrom, tCase.llUntil}};
    tRequest.tNames.tBook.tLeases[MakeAddressKey("10.0.0.2")] = {
        {"phone", tCase.llFrom, tCase.llUntil}};
    std::string szStderr;
    const report_t tReport = MakeFrom(tRequest, szStderr);
    EXPECT_EQ(szStderr, tCase.bSaid ? "netreckon: a lease names [10.0.0.1] [laptop]; the admin's "
                                      "name [desk] is kept\n"
                                    : "")
        << tCase.llFrom << " " << tCase.llUntil;
    EXPECT_EQ(ListHosts(tReport), std::string("10.0.0.1 900/40 desk\n10.0.0.2 8/2000") +
                                      (tCase.bSaid ? " phone" : "") + "\n10.0.0.3 0/0\n")
        << tCase.llFrom << " " << tCase.llUntil;
  }
}
