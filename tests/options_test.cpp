// End to end: the options that choose and merge rows, run through the real program: --group
// (both directions and every day of each member summed), --over at each unit's boundary, and
// snapshot names one character too short or too long for their prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using rows_t = std::vector<std::pair<std::string, std::string>>;

// Snapshots written by direction: a baseline of zeros the evening before, then one snapshot a
// day; every figure of a host and direction differs from every other.
void WriteDays(const temp_dir_t& tDir, const std::vector<std::pair<std::string, rows_t>>& tIn,
               const std::vector<std::pair<std::string, rows_t>>& tOut) {
  for (const auto& [szStamp, tRows] : tIn) {
    tDir.Write("in_" + szStamp, MakeLogText(0, tRows));
  }
  for (const auto& [szStamp, tRows] : tOut) {
    tDir.Write("out_" + szStamp, MakeLogText(1, tRows));
  }
}

// The hosts a console report lists, in its order, separated by blanks.
std::string ListedHosts(const std::string& szOutput) {
  std::string szHosts;
  const std::string szLead = "Totals for host [";
  for (std::size_t iAt = szOutput.find(szLead); iAt != std::string::npos;
       iAt = szOutput.find(szLead, iAt + 1)) {
    const std::size_t iStart = iAt + szLead.size();
    if (!szHosts.empty()) {
      szHosts += ' ';
    }
    szHosts.append(szOutput, iStart, szOutput.find(']', iStart) - iStart);
  }
  return szHosts;
}

}  // namespace

// Two tenants of named devices and a nameless host over two days: each tenant's row holds, per
// day and direction, the sum of its devices' traffic (bytes as the snapshots hold them).
TEST(Options, GroupSumsEveryMemberPerDayAndDirection) {
  temp_dir_t tDir;
  WriteDays(
      tDir,
      {{"20090424230000", {{"10.0.0.1", "0"}, {"10.0.0.2", "0"}, {"10.0.0.3", "0"}}},
       {"20090425120000",
        {{"10.0.0.1", "3000"}, {"10.0.0.2", "5000000"}, {"10.0.0.3", "700"}, {"10.0.0.4", "11"}}},
       {"20090426120000",
        {{"10.0.0.1", "3500"}, {"10.0.0.2", "5000100"}, {"10.0.0.3", "1700"}, {"10.0.0.4", "13"}}}},
      {{"20090424230000", {{"10.0.0.1", "0"}, {"10.0.0.2", "0"}, {"10.0.0.3", "0"}}},
       {"20090425120000",
        {{"10.0.0.1", "1000"}, {"10.0.0.2", "20"}, {"10.0.0.3", "9"}, {"10.0.0.4", "17"}}},
       {"20090426120000",
        {{"10.0.0.1", "1600"}, {"10.0.0.2", "80"}, {"10.0.0.3", "9"}, {"10.0.0.4", "19"}}}});
  const std::string szNames =
      tDir.Write("tenants", "10.0.0.1 alice\n10.0.0.2 alice\n10.0.0.3 bob\n");
  const run_result_t tCsv = RunNetreckon({"csv", "--names-file", szNames, "--group", "name",
                                          "20090425", "20090426", tDir.szPath, "in_", "out_"});
  EXPECT_EQ(tCsv.iExitStatus, 0) << tCsv.szStderr;
  EXPECT_EQ(tCsv.szStdout,
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots,hosts\r\n"
            "alice,alice,2009-04-25,5003000,1020,1,10.0.0.1 10.0.0.2\r\n"
            "alice,alice,2009-04-26,600,660,1,10.0.0.1 10.0.0.2\r\n"
            "bob,bob,2009-04-25,700,9,1,10.0.0.3\r\n"
            "bob,bob,2009-04-26,1000,0,1,10.0.0.3\r\n"
            "10.0.0.4,,2009-04-25,11,17,1,10.0.0.4\r\n"
            "10.0.0.4,,2009-04-26,2,2,1,10.0.0.4\r\n");
  const run_result_t tJson = RunNetreckon({"json", "--names-file", szNames, "--group", "name",
                                           "20090425", "20090426", tDir.szPath, "in_", "out_"});
  EXPECT_NE(tJson.szStdout.find("{\"host\": \"alice\", \"name\": \"alice\", \"hosts\": "
                                "[\"10.0.0.1\", \"10.0.0.2\"], \"incoming_bytes\": 5003600, "
                                "\"outgoing_bytes\": 1680, \"days\": ["),
            std::string::npos)
      << tJson.szStdout;
  // The all-hosts totals never change with grouping.
  EXPECT_NE(tJson.szStdout.find("], \"incoming_bytes\": 5005313, \"outgoing_bytes\": 1708}"),
            std::string::npos)
      << tJson.szStdout;
}

// Hosts whose totals (in plus out) lie exactly on and one byte past a boundary of each unit:
// --over keeps only those past it, with units as powers of 1000.
TEST(Options, OverKeepsOnlyTotalsPastTheSize) {
  temp_dir_t tDir;
  const rows_t tZeros = {{"10.0.0.1", "0"}, {"10.0.0.2", "0"}, {"10.0.0.3", "0"},
                         {"10.0.0.4", "0"}, {"10.0.0.5", "0"}, {"10.0.0.6", "0"},
                         {"10.0.0.7", "0"}, {"10.0.0.8", "0"}};
  WriteDays(tDir,
            {{"20090424230000", tZeros},
             {"20090425120000",
              {{"10.0.0.1", "3000"},
               {"10.0.0.2", "3001"},
               {"10.0.0.3", "6000000"},
               {"10.0.0.4", "6000001"},
               {"10.0.0.5", "4000000000"},
               {"10.0.0.6", "4000000001"},
               {"10.0.0.7", "1500000000000"},
               {"10.0.0.8", "1500000000001"}}}},
            {{"20090424230000", tZeros},
             {"20090425120000",
              {{"10.0.0.1", "1000"},
               {"10.0.0.2", "1000"},
               {"10.0.0.3", "1000000"},
               {"10.0.0.4", "1000000"},
               {"10.0.0.5", "1000000000"},
               {"10.0.0.6", "1000000000"},
               {"10.0.0.7", "500000000000"},
               {"10.0.0.8", "500000000000"}}}});
  const struct {
    const char* szOver;
    const char* szHosts;
  } kCases[] = {
      {"0", "10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"3999", "10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"3K", "10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"6999999", "10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"6999K", "10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"6M", "10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"7000001", "10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"4999M", "10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"4G", "10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"5000000001", "10.0.0.7 10.0.0.8"},
      {"1999G", "10.0.0.7 10.0.0.8"},
      {"1T", "10.0.0.7 10.0.0.8"},
      {"2000000000001", ""},
      {"4000", "10.0.0.2 10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"4K", "10.0.0.2 10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"4001", "10.0.0.3 10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"7M", "10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"7000K", "10.0.0.4 10.0.0.5 10.0.0.6 10.0.0.7 10.0.0.8"},
      {"5G", "10.0.0.6 10.0.0.7 10.0.0.8"},
      {"5000M", "10.0.0.6 10.0.0.7 10.0.0.8"},
      {"2T", "10.0.0.8"},
      {"2000G", "10.0.0.8"},
      {"3T", ""},
  };
  for (const auto& tCase : kCases) {
    const run_result_t tRun = RunNetreckon(
        {"0", "--over", tCase.szOver, "20090425", "20090425", tDir.szPath, "in_", "out_"});
    EXPECT_EQ(tRun.iExitStatus, 0) << tCase.szOver << ": " << tRun.szStderr;
    EXPECT_EQ(ListedHosts(tRun.szStdout), tCase.szHosts) << "--over " << tCase.szOver;
  }
}

// A name one character too short or too long for "prefix + YYYYMMDD + six characters" is no
// snapshot: its counters are never read, and a notice counts it.
TEST(Options, SnapshotNamesOfTheWrongLengthAreLeftOut) {
  const struct {
    const char* szName;
    const char* szPrefix;  // the prefix the notice names; nullptr: no notice, the file is
                           // another prefix's
    const char* szCase;
  } kCases[] = {
      {"in_2009042512000", "in_", "one short"},
      {"in_200904251200000", "in_", "one long"},
      {"in_20090425120000x", "in_", "one long, a letter"},
      {"in_0090425120000", "in_", "the date one short"},
      {"out_2009042512000", "out_", "outgoing, one short"},
      {"out_200904251200000", "out_", "outgoing, one long"},
      {"i_20090425120000", nullptr, "the prefix one short"},
      {"inn_20090425120000", nullptr, "the prefix one long"},
      {"ou_20090425120000", nullptr, "the outgoing prefix one short"},
      {"out__20090425120000", "out_", "the outgoing prefix one long"},
  };
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    WriteDays(tDir,
              {{"20090424230000", {{"10.0.0.1", "0"}}}, {"20090425120000", {{"10.0.0.1", "10M"}}}},
              {{"20090424230000", {{"10.0.0.1", "0"}}}, {"20090425120000", {{"10.0.0.1", "2M"}}}});
    tDir.Write(tCase.szName, MakeLogText(tCase.szName[0] == 'o' ? 1 : 0, {{"10.0.0.1", "99M"}}));
    const run_result_t tRun =
        RunNetreckon({"csv", "20090425", "20090425", tDir.szPath, "in_", "out_"});
    EXPECT_EQ(tRun.szStdout,
              "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n"
              "10.0.0.1,,2009-04-25,10000000,2000000,1\r\n")
        << tCase.szCase;
    const std::string szNotice =
        tCase.szPrefix == nullptr
            ? ""
            : "netreckon: left out 1 files of [" + tDir.szPath + "] that begin with [" +
                  tCase.szPrefix +
                  "] but are not named as snapshots (the prefix, YYYYMMDD, six characters), the "
                  "first [" +
                  tCase.szName + "]\n";
    EXPECT_EQ(tRun.szStderr, szNotice) << tCase.szCase;
    EXPECT_EQ(tRun.iExitStatus, 0) << tCase.szCase;
  }
}
