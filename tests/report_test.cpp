// End to end: the program on real log directories, whole console and HTML output compared.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using rows_t = std::vector<std::pair<std::string, std::string>>;

// Three days with a baseline the evening before, two snapshots a day, a counter reset on the
// second day, a host that appears in the range, one seen only outgoing, and a file after it.
void WriteThreeDays(const temp_dir_t& tDir) {
  const struct {
    const char* szName;
    rows_t tRows;
  } kLogs[] = {
      {"in_20090428000000", {{"10.0.0.1", "999M"}, {"10.0.0.2", "999M"}}},
      {"in_20090426180000", {{"10.0.0.1", "20M"}, {"10.0.0.2", "80M"}, {"10.0.0.3", "9M"}}},
      {"in_20090424230000", {{"10.0.0.1", "100M"}, {"10.0.0.2", "50M"}}},
      {"in_20090425180000", {{"10.0.0.1", "130M"}, {"10.0.0.2", "60M"}}},
      {"in_20090427120000", {{"10.0.0.1", "30M"}, {"10.0.0.2", "80M"}, {"10.0.0.3", "10M"}}},
      {"in_20090425060000", {{"10.0.0.1", "110M"}, {"10.0.0.2", "55M"}}},
      {"in_20090426060000", {{"10.0.0.1", "150M"}, {"10.0.0.2", "70M"}, {"10.0.0.3", "5M"}}},
      {"out_20090424230000", {{"10.0.0.1", "10M"}, {"10.0.0.2", "1000K"}}},
      {"out_20090426060000", {{"10.0.0.1", "15M"}, {"10.0.0.2", "2500K"}}},
      {"out_20090425060000", {{"10.0.0.1", "12M"}, {"10.0.0.2", "1500K"}}},
      {"out_20090427120000", {{"10.0.0.1", "16M"}, {"10.0.0.2", "2600K"}, {"10.0.0.4", "7M"}}},
  };
  for (const auto& tLog : kLogs) {
    const int32_t iDirection = tLog.szName[0] == 'i' ? 0 : 1;
    tDir.Write(tLog.szName, MakeLogText(iDirection, tLog.tRows));
  }
}

const std::string kRuleLine = std::string(101, '=') + "\n";

const std::string kConsoleThreeDays =
    "netreckon\nWritten by the netreckon developers.\n\n"
    "Using filter date-range [20090425] - [20090427]\n" +
    kRuleLine +
    "Bandwidth usage from: 20090425 to 20090427\n"
    "Totals for host [10.0.0.1]\tIncoming [80.00 MB]\tOutgoing [6.00 MB]\tTotal [86.00 MB]\n"
    "Totals for host [10.0.0.2]\tIncoming [30.00 MB]\tOutgoing [1.60 MB]\tTotal [31.60 MB]\n"
    "Totals for host [10.0.0.3]\tIncoming [10.00 MB]\tOutgoing [0.00 MB]\tTotal [10.00 MB]\n"
    "Totals for host [10.0.0.4]\tIncoming [0.00 MB]\tOutgoing [7.00 MB]\tTotal [7.00 MB]\n" +
    kRuleLine +
    "Totals for all hosts in filter\tIncoming [120.00 MB]\tOutgoing [14.60 MB]\tTotal [134.60 "
    "MB]\n\nElapsed time to generate stats: X\n";

std::string HtmlRow(const std::string& szIndent, const std::string& szClass,
                    const std::string& szHost, const std::string& szIn, const std::string& szOut,
                    const std::string& szTotal) {
  return szIndent + "<tr class=\"" + szClass + "\">" + szIndent + "<td class=\"rtitle\">" + szHost +
         "</td>" + szIndent + "<td class=\"dl\">" + szIn + " MB</td>" + szIndent +
         "<td class=\"ul\">" + szOut + " MB</td>" + szIndent + "<td class=\"total\">" + szTotal +
         " MB</td>" + szIndent + "</tr>";
}

std::string HtmlHead(const std::string& szFrom, const std::string& szTo) {
  const std::string s8(8, ' ');
  return s8 + "<html>" + s8 + "<link rel='stylesheet' type='text/css' href='vivovo.css'>" + s8 +
         "<link rel='stylesheet' type='text/css' href='red.css'>" + s8 + "<body>" + s8 +
         "<b>Bandwidth usage from: " + szFrom + " to " + szTo + "</b>" + s8 +
         "<table class=\"bwmg\" cellspacing=\"1\">" + s8 + "<tbody>" + s8 +
         "<tr class=\"header\">" + s8 + "<td class=\"rtitle\">Host</td>" + s8 +
         "<td class=\"dl\">Download</td>" + s8 + "<td class=\"ul\">Upload</td>" + s8 +
         "<td class=\"total\">Total</td>" + s8 + "</tr>";
}

const std::string kHtmlTail =
    "        </tbody>        </table>        </html>        </body>        ";

}  // namespace

TEST(Report, ConsoleTotalsOverThreeDaysInEveryZone) {
  temp_dir_t tDir;
  WriteThreeDays(tDir);
  for (const char* szZone : {"UTC", "Europe/Berlin", "America/New_York", "Asia/Tokyo"}) {
    const run_result_t tRun =
        RunNetreckon({"0", "20090425", "20090427", tDir.szPath + "/", "in_", "out_"}, szZone);
    EXPECT_EQ(tRun.iExitStatus, 0) << szZone;
    EXPECT_EQ(MaskElapsed(tRun.szStdout), kConsoleThreeDays) << szZone;
    EXPECT_EQ(tRun.szStderr, "") << szZone;
  }
}

TEST(Report, APathWithoutSlashReadsTheSameFiles) {
  temp_dir_t tDir;
  WriteThreeDays(tDir);
  const run_result_t tRun = RunNetreckon({"0", "20090425", "20090427", tDir.szPath, "IN_", "Out_"});
  EXPECT_EQ(MaskElapsed(tRun.szStdout), kConsoleThreeDays);
}

TEST(Report, HtmlTableHasNoLineBreaks) {
  temp_dir_t tDir;
  WriteThreeDays(tDir);
  const run_result_t tRun =
      RunNetreckon({"1", "20090425", "20090427", tDir.szPath, "in_", "out_"}, "Europe/Berlin");
  EXPECT_EQ(tRun.iExitStatus, 0);
  const std::string s12(12, ' ');
  EXPECT_EQ(tRun.szStdout,
            HtmlHead("20090425", "20090427") +
                HtmlRow(s12, "even", "10.0.0.1", "80.00", "6.00", "86.00") +
                HtmlRow(s12, "odd", "10.0.0.2", "30.00", "1.60", "31.60") +
                HtmlRow(s12, "even", "10.0.0.3", "10.00", "0.00", "10.00") +
                HtmlRow(s12, "odd", "10.0.0.4", "0.00", "7.00", "7.00") +
                HtmlRow(std::string(8, ' '), "header", "Total", "120.00", "14.60", "134.60") +
                kHtmlTail);
  EXPECT_EQ(HtmlHead("%llu", "%llu").size(), 445u);
}

TEST(Report, MarkupInAHostColumnNeverReachesTheReport) {
  temp_dir_t tDir;
  tDir.Write("in_20090424230000", MakeLogText(0, {{"10.0.0.1", "0"}}));
  tDir.Write("o_20090425000000", MakeLogText(1, {}));
  tDir.Write("in_20090425000000",
             MakeLogText(0, {{"<b>&'\"x", "2M"}, {"10.0.0.1", "1M"}, {"=1+1", "1M"}}));
  for (const char* szType : {"1", "csv", "json", "daily"}) {
    const run_result_t tRun =
        RunNetreckon({szType, "20090425", "20090425", tDir.szPath, "in_", "o_"});
    EXPECT_EQ(tRun.iExitStatus, 1) << szType;
    EXPECT_EQ(tRun.szStdout.find("<b>&"), std::string::npos) << szType;
    EXPECT_EQ(tRun.szStdout.find("=1+1"), std::string::npos) << szType;
    EXPECT_NE(tRun.szStdout.find("10.0.0.1"), std::string::npos) << szType;
    EXPECT_EQ(tRun.szStderr, "netreckon: refused 2 rows of [" + tDir.szPath +
                                 "/in_20090425000000]: not a counter row (fewer than eight "
                                 "columns, a byte counter that is no count, or a host column "
                                 "that is no address)\n")
        << szType;
  }
}

// Each case: a few logs of one host, the range, and the host's console line. A byte column
// "A+B" writes two rules of the host, "-" a snapshot without it, "junk" a snapshot of junk.
TEST(Report, GapsOldBaselinesAndResetsGiveTheTrueTraffic) {
  const struct {
    const char* szCase;
    std::vector<std::pair<std::string, std::string>> tLogs;  // name, byte column of 10.0.0.1
    const char* szStart;
    const char* szEnd;
    const char* szLine;
    int iStatus;
    const char* szStderr;
  } kCases[] = {
      {"a day without snapshots",
       {{"in_20261031230000", "100M"},
        {"in_20261101120000", "110M"},
        {"in_20261103120000", "120M"}},
       "20261101",
       "20261103",
       "Incoming [20.00 MB]",
       0,
       ""},
      {"a baseline two days old",
       {{"in_20261029120000", "100M"},
        {"in_20261101120000", "105M"},
        {"in_20261101180000", "110M"}},
       "20261101",
       "20261101",
       "Incoming [10.00 MB]",
       0,
       ""},
      {"a reset between the baseline and the range",
       {{"in_20261031230000", "50M"}, {"in_20261101120000", "3M"}, {"in_20261101180000", "4M"}},
       "20261101",
       "20261101",
       "Incoming [4.00 MB]",
       0,
       ""},
      {"an end day without snapshots",
       {{"in_20261101120000", "100M"},
        {"in_20261102120000", "110M"},
        {"in_20261104120000", "150M"},
        {"in_20261105120000", "170M"}},
       "20261102",
       "20261103",
       "Incoming [10.00 MB]",
       0,
       "netreckon: the snapshots stop on 2026-11-02, before the end date 2026-11-03\n"},
      {"a day whose first snapshots lack the host or are junk",
       {{"in_20261031230000", "100M"},
        {"in_20261101120000", "110M"},
        {"in_20261102000000", "-"},
        {"in_20261102120000", "122M"},
        {"in_20261103000000", "junk"},
        {"in_20261103120000", "125M"}},
       "20261101",
       "20261103",
       "Incoming [25.00 MB]",
       1,
       "netreckon: refused 1 rows of"},
      {"two rules of one host",
       {{"in_20261031230000", "10M+1M"},
        {"in_20261101120000", "12M+1500K"},
        {"in_20261102120000", "14M+2500K"}},
       "20261101",
       "20261102",
       "Incoming [5.50 MB]",
       0,
       ""},
      {"no baseline",
       {{"in_20261101120000", "100M"}, {"in_20261101180000", "110M"}},
       "20261101",
       "20261101",
       "Incoming [110.00 MB]",
       0,
       "netreckon: no snapshot [in_] before the range: its first readings count whole, all the "
       "traffic since the counters were last reset\n"},
      {"two time styles on one day",
       {{"in_20240229120000", "100M"},
        {"in_20240301_09-00", "105M"},
        {"in_20240301130000", "110M"}},
       "20240301",
       "20240301",
       "Incoming [10.00 MB]",
       0,
       ""},
      {"a quarter",
       {{"in_20260930230000", "100M"},
        {"in_20261001120000", "110M"},
        {"in_20261115120000", "400M"},
        {"in_20261231180000", "900M"}},
       "20261001",
       "20261231",
       "Incoming [800.00 MB]",
       0,
       ""},
  };
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    for (const auto& [szName, szBytes] : tCase.tLogs) {
      std::vector<std::pair<std::string, std::string>> tRows = {{"10.0.0.9", "1M"}};
      for (std::size_t iAt = 0; szBytes != "-" && iAt <= szBytes.size();) {
        const std::size_t iPlus = std::min(szBytes.find('+', iAt), szBytes.size());
        tRows.emplace_back("10.0.0.1", szBytes.substr(iAt, iPlus - iAt));
        iAt = iPlus + 1;
      }
      tDir.Write(szName, szBytes == "junk" ? "x\ny\n\x01\x02\x03\n" : MakeLogText(0, tRows));
    }
    tDir.Write(std::string("o_") + tCase.szStart + "120000", MakeLogText(1, {}));
    for (const char* szZone : {"UTC", "Europe/Berlin"}) {
      const run_result_t tRun =
          RunNetreckon({"0", tCase.szStart, tCase.szEnd, tDir.szPath, "in_", "o_"}, szZone);
      EXPECT_NE(tRun.szStdout.find("Totals for host [10.0.0.1]\t" + std::string(tCase.szLine)),
                std::string::npos)
          << tCase.szCase << "\n"
          << tRun.szStdout;
      EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << tCase.szCase;
      EXPECT_EQ(tRun.szStderr.rfind(tCase.szStderr, 0), 0u) << tCase.szCase << tRun.szStderr;
      if (tCase.iStatus == 0) {
        EXPECT_EQ(tRun.szStderr, tCase.szStderr) << tCase.szCase;
      }
    }
  }
}

TEST(Report, AHostWithoutAReadingOfADirectionReadsZeroInIt) {
  temp_dir_t tDir;
  tDir.Write("in_20240229120000", MakeLogText(0, {{"10.0.0.1", "100M"}, {"10.0.0.2", "50M"}}));
  tDir.Write("in_20240301120000", MakeLogText(0, {{"10.0.0.2", "60M"}}));
  tDir.Write("out_20240229120000", MakeLogText(1, {{"10.0.0.1", "20M"}, {"10.0.0.2", "30M"}}));
  tDir.Write("out_20240301_12-00", MakeLogText(1, {{"10.0.0.1", "22M"}, {"10.0.0.2", "34M"}}));
  const run_result_t tConsole =
      RunNetreckon({"0", "20240301", "20240301", tDir.szPath, "in_", "out_"});
  EXPECT_EQ(tConsole.iExitStatus, 0);
  EXPECT_EQ(tConsole.szStderr, "");
  EXPECT_NE(tConsole.szStdout.find("Totals for host [10.0.0.2]\tIncoming [10.00 MB]\tOutgoing "
                                   "[4.00 MB]\tTotal [14.00 MB]\n"
                                   "Totals for host [10.0.0.1]\tIncoming [0.00 MB]\tOutgoing "
                                   "[2.00 MB]\tTotal [2.00 MB]\n" +
                                   kRuleLine +
                                   "Totals for all hosts in filter\tIncoming [10.00 MB]\t"
                                   "Outgoing [6.00 MB]\tTotal [16.00 MB]\n"),
            std::string::npos)
      << tConsole.szStdout;
  // The two directions' snapshots of 12:00, written in two styles, are one time.
  const run_result_t tCsv =
      RunNetreckon({"csv", "20240301", "20240301", tDir.szPath, "in_", "out_"});
  EXPECT_EQ(tCsv.szStdout,
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n"
            "10.0.0.2,,2024-03-01,10000000,4000000,1\r\n"
            "10.0.0.1,,2024-03-01,0,2000000,1\r\n");
}

TEST(Report, NoticesSayWhatLooksLikeAMistake) {
  temp_dir_t tDir;
  tDir.Write("in_20261101000000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  tDir.Write("in_20261102000000", MakeLogText(0, {{"10.0.0.1", "2M"}}));
  tDir.Write("in_20261103000000", MakeLogText(0, {{"10.0.0.1", "3M"}}));
  tDir.Write("o_20261101000000", MakeLogText(1, {{"10.0.0.1", "1M"}}));
  tDir.Write("o_20261102000000", MakeLogText(1, {{"10.0.0.1", "2M"}}));
  const struct {
    std::vector<std::string> tArgs;
    int iStatus;
    std::string szStderr;
  } kCases[] = {
      {{"20261102", "20261103", "in_", "IN_"},
       0,
       "netreckon: the incoming and outgoing prefixes are the same: every file is read as "
       "incoming and as outgoing\n"},
      {{"20261102", "20261103", "in_", "o_"}, 0, ""},
      {{"20261102", "20261104", "in_", "o_"},
       0,
       "netreckon: the snapshots stop on 2026-11-03, before the end date 2026-11-04\n"},
      // An end date still to come is no sign of a stop.
      {{"20261102", "29991231", "in_", "o_"}, 0, ""},
      // The outgoing prefix forgotten: every snapshot is read as outgoing too.
      {{"20261102", "20261103", "in_"},
       0,
       "netreckon: no outgoing prefix given: every snapshot of the directory is read as "
       "outgoing too\nnetreckon: host [10.0.0.1] is missing from every outgoing snapshot from "
       "[in_20261103000000] on: its rule went away\n"},
      // Swapped: the outgoing snapshots hold no host, the incoming ones only "any" sources.
      {{"20261102", "20261103", "o_", "in_"},
       0,
       "netreckon: every incoming row of [o_] has the destination 0.0.0.0/0 or ::/0: the "
       "prefixes look swapped (incoming first, then outgoing)\n"},
      {{"20261101", "20261101", "xx_", "o_"},
       1,
       "netreckon: no snapshot [xx_] in [" + tDir.szPath + "] from 2026-11-01 to 2026-11-01\n" +
           "netreckon: no snapshot [o_] before the range: its first readings count whole, all "
           "the traffic since the counters were last reset\n"},
  };
  for (const auto& tCase : kCases) {
    std::vector<std::string> tArgs = {"csv", tCase.tArgs[0], tCase.tArgs[1], tDir.szPath};
    tArgs.insert(tArgs.end(), tCase.tArgs.begin() + 2, tCase.tArgs.end());
    const run_result_t tRun = RunNetreckon(tArgs);
    EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << tCase.tArgs.back();
    EXPECT_EQ(tRun.szStderr, tCase.szStderr) << tCase.tArgs.back();
  }
}

TEST(Report, AMissingDirectoryReportsNothingFound) {
  const run_result_t tRun = RunNetreckon({"0", "20090425", "20090425", "/nonexistent/logs/"});
  EXPECT_EQ(tRun.iExitStatus, 1);
  EXPECT_EQ(tRun.szStderr,
            "netreckon: the incoming and outgoing prefixes are the same: every file is read as "
            "incoming and as outgoing\n"
            "Couldn't open the directory [/nonexistent/logs/]: No such file or directory\n");
  EXPECT_NE(MaskElapsed(tRun.szStdout)
                .find("Bandwidth usage from: none to none\n" + kRuleLine +
                      "Totals for all hosts in filter\tIncoming [0.00 MB]\tOutgoing [0.00 "
                      "MB]\tTotal [0.00 MB]\n"),
            std::string::npos);
  const run_result_t tEmpty = RunNetreckon({"0", "20090425", "20090425", ""});
  EXPECT_NE(tEmpty.szStderr.find("Couldn't open the directory []: "), std::string::npos);
}

// Every reading left out is said, and the status follows what was read. Each case writes a
// directory around the same range (the 1st of November 2026) and names its host line and
// standard error exactly; "@" in the expected text stands for the directory.
TEST(Report, EveryLeftOutReadingIsSaid) {
  const std::string kRefused =
      ": not a counter row (fewer than eight columns, a byte counter that is no count, or a host "
      "column that is no address)\n";
  const std::string kNoBaseline =
      "netreckon: no snapshot [in_] before the range: its first readings count whole, all the "
      "traffic since the counters were last reset\n";
  const struct {
    const char* szCase;
    std::function<void(const temp_dir_t&)> fWrite;
    const char* szLine;  // the host 10.0.0.1's console line after its address
    int iStatus;
    std::string szStderr;
  } kCases[] = {
      {"a FIFO as the newest earlier file: the one before it is the baseline",
       [](const temp_dir_t& tDir) {
         ASSERT_EQ(mkfifo((tDir.szPath + "/in_20261031230000").c_str(), 0600), 0);
       },
       "Incoming [30.00 MB]", 0,
       "netreckon: passed over [@/in_20261031230000]: not a regular file, no snapshot\n"},
      {"a directory as the newest earlier file",
       [](const temp_dir_t& tDir) {
         ASSERT_EQ(mkdir((tDir.szPath + "/in_20261031230000").c_str(), 0700), 0);
       },
       "Incoming [30.00 MB]", 0,
       "netreckon: passed over [@/in_20261031230000]: not a regular file, no snapshot\n"},
      {"an empty file as the newest earlier file",
       [](const temp_dir_t& tDir) { tDir.Write("in_20261031230000", ""); }, "Incoming [30.00 MB]",
       0, "netreckon: [@/in_20261031230000] holds no counter row: not taken as the baseline\n"},
      {"junk as the newest earlier file",
       [](const temp_dir_t& tDir) { tDir.Write("in_20261031230000", "x\ny\n1 2 3\n"); },
       "Incoming [30.00 MB]", 0,
       "netreckon: [@/in_20261031230000] holds no counter row: not taken as the baseline\n"},
      {"a baseline with a refused row is taken, and said",
       [](const temp_dir_t& tDir) {
         tDir.Write("in_20261031230000", MakeLogText(0, {{"10.0.0.1", "110M"}}) + "1 2 3\n");
       },
       "Incoming [20.00 MB]", 1, "netreckon: refused 1 rows of [@/in_20261031230000]" + kRefused},
      {"a link as the newest earlier file: never followed, and said as left out",
       [](const temp_dir_t& tDir) {
         ASSERT_EQ(symlink("in_20261031120000", (tDir.szPath + "/in_20261031230000").c_str()), 0);
       },
       "Incoming [30.00 MB]", 1,
       "netreckon: skipped [@/in_20261031230000]: a symbolic link is never followed\n"},
      {"no earlier file holds a reading: the first readings count whole",
       [](const temp_dir_t& tDir) {
         std::remove((tDir.szPath + "/in_20261031120000").c_str());
         tDir.Write("in_20261030120000", MakeLogText(0, {}));
       },
       "Incoming [130.00 MB]", 0,
       "netreckon: [@/in_20261030120000] holds no counter row: not taken as the baseline\n" +
           kNoBaseline},
      {"a chain unhooked from the firewall",
       [](const temp_dir_t& tDir) {
         tDir.Write("in_20261101180000",
                    "Chain NET_IN (0 references)\n pkts bytes target prot opt in out source "
                    "destination\n 1 130M all -- * * 0/0 10.0.0.1\n");
       },
       "Incoming [30.00 MB]", 1,
       "netreckon: [@/in_20261101180000] counted nothing since its chain was unhooked: its "
       "title says 0 references (set the chains up again)\n"},
      {"a host whose rule went away",
       [](const temp_dir_t& tDir) {
         tDir.Write("in_20261101060000",
                    MakeLogText(0, {{"10.0.0.1", "110M"}, {"10.0.0.2", "5M"}}));
       },
       "Incoming [30.00 MB]", 0,
       "netreckon: host [10.0.0.2] is missing from every incoming snapshot from "
       "[in_20261101120000] on: its rule went away\n"},
      {"a name with a terminal escape is shown escaped",
       [](const temp_dir_t& tDir) { tDir.Write("in_20261101\x1b[31mx", "x\ny\n1 2 3\n"); },
       "Incoming [30.00 MB]", 1,
       "netreckon: refused 1 rows of [@/in_20261101\\x1b[31mx]" + kRefused},
      {"more hosts than a run holds",
       [](const temp_dir_t& tDir) {
         std::vector<std::pair<std::string, std::string>> tRows = {{"10.0.0.1", "140M"}};
         for (int iHost = 0; iHost < 100000; ++iHost) {
           tRows.emplace_back("10." + std::to_string(1 + iHost / 65536) + "." +
                                  std::to_string(iHost / 256 % 256) + "." +
                                  std::to_string(iHost % 256),
                              "1");
         }
         tDir.Write("in_20261101180000", MakeLogText(0, tRows));
       },
       "Incoming [40.00 MB]", 1,
       "netreckon: more than 100000 hosts: 1 rows of further hosts were left out\n"},
  };
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    tDir.Write("in_20261031120000", MakeLogText(0, {{"10.0.0.1", "100M"}}));
    tDir.Write("in_20261101120000", MakeLogText(0, {{"10.0.0.1", "130M"}}));
    tDir.Write("o_20261101120000", MakeLogText(1, {}));
    tCase.fWrite(tDir);
    const run_result_t tRun =
        RunNetreckon({"0", "20261101", "20261101", tDir.szPath, "in_", "o_"}, "UTC", 60);
    EXPECT_NE(tRun.szStdout.find("Totals for host [10.0.0.1]\t" + std::string(tCase.szLine)),
              std::string::npos)
        << tCase.szCase << "\n"
        << tRun.szStdout.substr(0, 600);
    EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << tCase.szCase;
    std::string szExpected = tCase.szStderr;
    for (std::size_t iAt = szExpected.find('@'); iAt != std::string::npos;
         iAt = szExpected.find('@', iAt)) {
      szExpected.replace(iAt, 1, tDir.szPath);
    }
    EXPECT_EQ(tRun.szStderr, szExpected) << tCase.szCase;
  }
}

TEST(Report, EmptyPrefixesPassOverDotEntriesAndStrangeFiles) {
  temp_dir_t tDir;
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.1", "2M"}}));
  ASSERT_EQ(mkfifo((tDir.szPath + "/in_20090425010000").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((tDir.szPath + "/in_20090425020000").c_str(), 0700), 0);
  const run_result_t tRun = RunNetreckon({"0", "20090425", "20090425", tDir.szPath}, "UTC", 20);
  EXPECT_FALSE(tRun.bTimedOut);
  EXPECT_EQ(tRun.iExitStatus, 0);
  // Both passes read the same log: in as the destination, out as the source column.
  EXPECT_NE(tRun.szStdout.find("Totals for host [10.0.0.1]\tIncoming [2.00 MB]"), std::string::npos)
      << tRun.szStdout;
  EXPECT_NE(
      tRun.szStdout.find("Totals for host [0.0.0.0/0]\tIncoming [0.00 MB]\tOutgoing [2.00 MB]"),
      std::string::npos)
      << tRun.szStdout;
}

TEST(Report, TheBundledExampleGivesTheShippedPage) {
  std::ifstream tPage(std::string(NETRECKON_SOURCE_DIR) + "/examples/report.html");
  const std::string szPage((std::istreambuf_iterator<char>(tPage)),
                           std::istreambuf_iterator<char>());
  for (const char* szZone : {"UTC", "America/Los_Angeles"}) {
    const run_result_t tRun = RunNetreckon(
        {"1", "20261102", "20261105", std::string(NETRECKON_SOURCE_DIR) + "/examples/logs/",
         "traffic_in_", "traffic_out_"},
        szZone);
    EXPECT_EQ(tRun.szStdout, szPage) << szZone;
  }
}

TEST(Report, NamesComeFromFilesThenRuleComments) {
  temp_dir_t tDir;
  tDir.Write("in_20090424230000", MakeLogText(0, {{"10.0.0.1", "0"}}));
  tDir.Write("o_20090425000000", MakeLogText(1, {}));
  tDir.Write("in_20090425000000",
             MakeLogText(0, {}) + "1 1M all -- * * 0/0 10.0.0.1 /* old name */\n" +
                 "1 2M all -- * * 0/0 10.0.0.2 /* printer */\n" +
                 "1 3M all -- * * 0/0 10.0.0.3\n1 4M all -- * * 0/0 2001:DB8::4\n" +
                 "1 5M all -- * * 0/0 10.0.0.5 /* tab\there */\n");
  tDir.Write("in_20090425120000", MakeLogText(0, {}) +
                                      "1 2M all -- * * 0/0 10.0.0.1 /* bob laptop */\n" +
                                      "1 3M all -- * * 0/0 10.0.0.2 /* printer */\n" +
                                      "1 4M all -- * * 0/0 10.0.0.3\n1 5M all -- * * 0/0 "
                                      "2001:DB8::4\n1 6M all -- * * 0/0 10.0.0.5\n");
  const std::string szHosts = tDir.Write("hosts",
                                         "# hosts\n10.0.0.3 nas nas.lan\n"
                                         "10.0.0.2 first-name\n2001:db8::4 v6host\n");
  const std::string szLeases = tDir.Write("leases",
                                          "1765000000 aa:bb:cc:dd:ee:02 10.0.0.2 from-lease 01:aa\n"
                                          "1765000000 aa:bb:cc:dd:ee:03 10.0.0.3 * *\n");
  const run_result_t tRun = RunNetreckon({"0", "20090425", "20090425", tDir.szPath, "in_", "o_",
                                          "--names-file", szHosts, "--names-file", szLeases});
  EXPECT_EQ(tRun.iExitStatus, 0) << tRun.szStderr;
  // The newest comment; the admin's hosts file over a lease, whatever the order, and the lease
  // that names it otherwise said; a "*" lease names nothing, so the hosts file stands; case
  // ignored; a comment with a control character shows no name.
  EXPECT_EQ(tRun.szStderr,
            "netreckon: a lease names [10.0.0.2] [from-lease]; the admin's name [first-name] is "
            "kept\n");
  for (const char* szLine :
       {"Totals for host [10.0.0.1 bob laptop]\t", "Totals for host [10.0.0.2 first-name]\t",
        "Totals for host [10.0.0.3 nas]\t", "Totals for host [2001:DB8::4 v6host]\t",
        "Totals for host [10.0.0.5]\t"}) {
    EXPECT_NE(tRun.szStdout.find(szLine), std::string::npos) << szLine << "\n" << tRun.szStdout;
  }
  // Without the options the console keeps the address alone; csv always names.
  const run_result_t tPlain = RunNetreckon({"0", "20090425", "20090425", tDir.szPath, "in_", "o_"});
  EXPECT_NE(tPlain.szStdout.find("Totals for host [10.0.0.1]\t"), std::string::npos);
  const run_result_t tCsv = RunNetreckon({"csv", "20090425", "20090425", tDir.szPath, "in_", "o_"});
  EXPECT_NE(tCsv.szStdout.find("10.0.0.1,bob laptop,2009-04-25,"), std::string::npos)
      << tCsv.szStdout;
  EXPECT_NE(tCsv.szStdout.find("10.0.0.3,,2009-04-25,"), std::string::npos);
}

TEST(Report, SortAndTopKeepTheTotals) {
  temp_dir_t tDir;
  tDir.Write("in_20090424230000", MakeLogText(0, {}));
  tDir.Write("out_20090424230000", MakeLogText(1, {}));
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.10", "1M"},
                                                  {"10.0.0.9", "5M"},
                                                  {"2001:db8::1", "3M"},
                                                  {"host-a", "2M"},
                                                  {"10.0.0.9/24", "4M"}}));
  tDir.Write("out_20090425000000", MakeLogText(1, {{"10.0.0.10", "9M"}, {"host-a", "1M"}}));
  const auto Hosts = [&tDir](std::vector<std::string> tOptions) {
    std::vector<std::string> tArgs = {"0", "20090425", "20090425", tDir.szPath, "in_", "out_"};
    tArgs.insert(tArgs.end(), tOptions.begin(), tOptions.end());
    const run_result_t tRun = RunNetreckon(tArgs);
    std::string szHosts;
    for (std::size_t iAt = tRun.szStdout.find("Totals for "); iAt != std::string::npos;
         iAt = tRun.szStdout.find("Totals for ", iAt + 1)) {
      szHosts += tRun.szStdout.substr(iAt + 11, tRun.szStdout.find('\t', iAt) - iAt - 11) + "|";
    }
    return szHosts;
  };
  EXPECT_EQ(Hosts({}),
            "host [10.0.0.10]|host [10.0.0.9]|host [2001:db8::1]|host [host-a]|host "
            "[10.0.0.9/24]|all hosts in filter|");
  EXPECT_EQ(Hosts({"--sort", "total"}),
            "host [10.0.0.10]|host [10.0.0.9]|host [10.0.0.9/24]|host [2001:db8::1]|host "
            "[host-a]|all hosts in filter|");
  EXPECT_EQ(Hosts({"--sort", "in"}),
            "host [10.0.0.9]|host [10.0.0.9/24]|host [2001:db8::1]|host [host-a]|host "
            "[10.0.0.10]|all hosts in filter|");
  EXPECT_EQ(Hosts({"--sort", "out"}),
            "host [10.0.0.10]|host [host-a]|host [10.0.0.9]|host [2001:db8::1]|host "
            "[10.0.0.9/24]|all hosts in filter|");
  // A network before its hosts, IPv4 numerically, then IPv6, then other keys.
  EXPECT_EQ(Hosts({"--sort", "host"}),
            "host [10.0.0.9/24]|host [10.0.0.9]|host [10.0.0.10]|host [2001:db8::1]|host "
            "[host-a]|all hosts in filter|");
  EXPECT_EQ(Hosts({"--sort", "total", "--top", "2"}),
            "host [10.0.0.10]|host [10.0.0.9]|other hosts (3)|all hosts in filter|");
  const run_result_t tTop = RunNetreckon(
      {"0", "20090425", "20090425", tDir.szPath, "in_", "out_", "--sort", "total", "--top", "2"});
  EXPECT_NE(tTop.szStdout.find("Totals for other hosts (3)\tIncoming [9.00 MB]\tOutgoing "
                               "[1.00 MB]\tTotal [10.00 MB]\n"),
            std::string::npos)
      << tTop.szStdout;
  EXPECT_NE(tTop.szStdout.find("Totals for all hosts in filter\tIncoming [15.00 MB]\tOutgoing "
                               "[10.00 MB]\tTotal [25.00 MB]\n"),
            std::string::npos);
  const run_result_t tHtml =
      RunNetreckon({"1", "20090425", "20090425", tDir.szPath, "in_", "out_", "--top", "4"});
  EXPECT_NE(tHtml.szStdout.find("<tr class=\"even\">            <td class=\"rtitle\">other hosts "
                                "(1)</td>            <td class=\"dl\">4.00 MB</td>"),
            std::string::npos)
      << tHtml.szStdout;
}

// A cell a spreadsheet would take for a formula is written as text; the pages and JSON keep
// the name as it is, escaped for their own syntax.
TEST(Report, NamesThatLookLikeFormulasOrMarkupAreWrittenAsText) {
  temp_dir_t tDir;
  tDir.Write("in_20090424230000", MakeLogText(0, {{"10.0.0.1", "0"}}));
  tDir.Write("o_20090425000000", MakeLogText(1, {}));
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.1", "1M"},
                                                  {"10.0.0.2", "2M"},
                                                  {"10.0.0.3", "3M"},
                                                  {"10.0.0.4", "4M"},
                                                  {"10.0.0.5", "5M"},
                                                  {"10.0.0.6", "6M"}}));
  const std::string szNames =
      tDir.Write("names",
                 "10.0.0.1 =HYPERLINK(\"x\")\n10.0.0.2 +1\n10.0.0.3 -2\n10.0.0.4 @sum\n"
                 "10.0.0.5 a<b&\"c\\,d\n10.0.0.6 plain\n");
  const struct {
    const char* szType;
    std::vector<std::string> tHolds;
  } kCases[] = {
      {"csv",
       {"\r\n10.0.0.1,\"'=HYPERLINK(\"\"x\"\")\",2009-04-25,1000000,0,1\r\n",
        "\r\n10.0.0.2,\"'+1\",2009-04-25,2000000,0,1\r\n",
        "\r\n10.0.0.3,\"'-2\",2009-04-25,3000000,0,1\r\n",
        "\r\n10.0.0.4,\"'@sum\",2009-04-25,4000000,0,1\r\n",
        "\r\n10.0.0.5,\"a<b&\"\"c\\,d\",2009-04-25,5000000,0,1\r\n",
        "\r\n10.0.0.6,plain,2009-04-25,6000000,0,1\r\n"}},
      {"json", {"\"name\": \"=HYPERLINK(\\\"x\\\")\"", "\"name\": \"a<b&\\\"c\\\\,d\""}},
      {"1", {"<td class=\"rtitle\">10.0.0.5 a&lt;b&amp;&quot;c\\,d</td>"}},
  };
  for (const auto& tCase : kCases) {
    const run_result_t tRun = RunNetreckon(
        {tCase.szType, "20090425", "20090425", tDir.szPath, "in_", "o_", "--names-file", szNames});
    EXPECT_EQ(tRun.iExitStatus, 0) << tCase.szType << tRun.szStderr;
    for (const std::string& szHeld : tCase.tHolds) {
      EXPECT_NE(tRun.szStdout.find(szHeld), std::string::npos)
          << tCase.szType << ": " << szHeld << "\n"
          << tRun.szStdout;
    }
  }
}

// Every server's lease file names its hosts, IPv6 long forms included; a names file that names
// none of the report's hosts is said.
TEST(Report, LeaseFilesOfEveryServerNameTheirHosts) {
  temp_dir_t tDir;
  const std::vector<std::pair<std::string, std::string>> tRows = {
      {"192.168.50.10", "1M"}, {"192.168.50.20", "2M"}, {"2001:DB8:50::10", "3M"}};
  tDir.Write("in_20261130120000", MakeLogText(0, tRows));
  tDir.Write("in_20261201120000", MakeLogText(0, tRows));
  tDir.Write("o_20261201120000", MakeLogText(1, {}));
  const std::string szData = std::string(NETRECKON_SOURCE_DIR) + "/tests/data/";
  const std::string szOther = tDir.Write("other-hosts", "10.9.9.9 elsewhere\n");
  const run_result_t tRun =
      RunNetreckon({"csv", "20261201", "20261201", tDir.szPath, "in_", "o_", "--names-file",
                    szOther, "--names-file", szData + "dhcpd.leases", "--names-file",
                    szData + "kea-leases4.csv", "--names-file", szData + "kea-leases6.csv"});
  EXPECT_EQ(tRun.iExitStatus, 0);
  // Only the leases valid on the day name: laptop's first lease; Kea's leases are a week later.
  EXPECT_EQ(tRun.szStdout,
            "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n"
            "192.168.50.10,laptop,2026-12-01,0,0,1\r\n"
            "192.168.50.20,,2026-12-01,0,0,1\r\n"
            "2001:DB8:50::10,,2026-12-01,0,0,1\r\n");
  EXPECT_EQ(tRun.szStderr,
            "netreckon: the names file [" + szOther + "] names none of the report's hosts\n");
}

// A DHCP client's name never moves a bill: the admin's names win and alone make groups, a lease
// names its address only while it is valid (a released lease of a recycled address names
// nothing), each csv and json day takes the name of its own day, and a name that reads as an
// address names nothing.
TEST(Report, LeaseNamesNeverMoveABill) {
  temp_dir_t tDir;
  const auto Rows = [](int iTimes) {
    std::vector<std::pair<std::string, std::string>> tRows;
    int iBytes = 0;
    for (const char* szHost : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.5", "10.0.0.6",
                               "10.0.0.7", "10.0.0.8", "10.0.0.9"}) {
      iBytes += 1000000;
      tRows.emplace_back(szHost, std::to_string(iBytes * iTimes));
    }
    return tRows;
  };
  const auto Outgoing = [&Rows](int iTimes) {
    auto tRows = Rows(iTimes);
    for (auto& [szHost, szBytes] : tRows) {
      szBytes = std::to_string(std::stoll(szBytes) / 1000);
    }
    return tRows;
  };
  tDir.Write("in_20261206120000", MakeLogText(0, Rows(0)));
  tDir.Write("o_20261206120000", MakeLogText(1, Outgoing(0)));
  tDir.Write("in_20261207120000", MakeLogText(0, Rows(1)));
  tDir.Write("o_20261207120000", MakeLogText(1, Outgoing(1)));
  tDir.Write("in_20261208120000", MakeLogText(0, Rows(3)));
  tDir.Write("o_20261208120000", MakeLogText(1, Outgoing(3)));
  const std::string szData = std::string(NETRECKON_SOURCE_DIR) + "/tests/data/";
  const std::string szTenants =
      tDir.Write("tenants", "10.0.0.1 alice\n10.0.0.2 carol\n10.0.0.3 carol\n10.0.0.6 dave\n");
  const std::string szDnsmasq = szData + "dnsmasq.leases";
  const std::string szIsc = szData + "dhcpd-released.leases";
  const std::string szRecycled = szData + "dhcpd-recycled.leases";
  // The newest lease names: on 10.0.0.7 the server's lease named as an address (no name), on
  // 10.0.0.9 the one that calls itself carol, which stays a row of its own.
  const std::string kConsole =
      "Totals for host [alice]\tIncoming [3.00 MB]\tOutgoing [0.00 MB]\tTotal [3.00 MB]\n"
      "Totals for host [carol]\tIncoming [15.00 MB]\tOutgoing [0.01 MB]\tTotal [15.02 MB]\n"
      "Totals for host [10.0.0.5 alice]\tIncoming [12.00 MB]\tOutgoing [0.01 MB]\tTotal [12.01 "
      "MB]\n"
      "Totals for host [dave]\tIncoming [15.00 MB]\tOutgoing [0.01 MB]\tTotal [15.02 MB]\n"
      "Totals for host [10.0.0.7]\tIncoming [18.00 MB]\tOutgoing [0.02 MB]\tTotal [18.02 MB]\n"
      "Totals for host [10.0.0.8 bob]\tIncoming [21.00 MB]\tOutgoing [0.02 MB]\tTotal [21.02 "
      "MB]\n"
      "Totals for host [10.0.0.9 carol]\tIncoming [24.00 MB]\tOutgoing [0.02 MB]\tTotal [24.02 "
      "MB]\n";
  const struct {
    const char* szCase;
    std::vector<std::string> tNamesFiles;
    std::string szType;
    std::string szHolds;
  } kCases[] = {
      {"tenants first", {szTenants, szDnsmasq, szIsc}, "0", kConsole},
      {"leases first", {szIsc, szDnsmasq, szTenants}, "0", kConsole},
      {"csv days",
       {szTenants, szIsc},
       "csv",
       "10.0.0.8,,2026-12-07,7000000,7000,1,10.0.0.8\r\n"
       "10.0.0.8,bob,2026-12-08,14000000,14000,1,10.0.0.8\r\n"},
      {"csv released",
       {szTenants, szIsc},
       "csv",
       "10.0.0.5,,2026-12-07,4000000,4000,1,10.0.0.5\r\n"
       "10.0.0.5,alice,2026-12-08,8000000,8000,1,10.0.0.5\r\n"},
      {"json days",
       {szTenants, szIsc},
       "json",
       "{\"host\": \"10.0.0.8\", \"name\": \"bob\", \"hosts\": [\"10.0.0.8\"], "
       "\"incoming_bytes\": 21000000, \"outgoing_bytes\": 21000, \"days\": [\n"
       "    {\"date\": \"2026-12-07\", \"name\": null, \"incoming_bytes\": 7000000, "
       "\"outgoing_bytes\": 7000, \"snapshots\": 1},\n"
       "    {\"date\": \"2026-12-08\", \"name\": \"bob\", \"incoming_bytes\": 14000000, "
       "\"outgoing_bytes\": 14000, \"snapshots\": 1}]}"},
      {"json one name",
       {szTenants, szDnsmasq},
       "json",
       "{\"host\": \"10.0.0.7\", \"name\": \"carol\", \"hosts\": [\"10.0.0.7\"], "
       "\"incoming_bytes\": 18000000, \"outgoing_bytes\": 18000, \"days\": [\n"
       "    {\"date\": \"2026-12-07\", \"incoming_bytes\": 6000000, "},
      {"recycled", {szRecycled}, "0", "Totals for host [10.0.0.5]\tIncoming [12.00 MB]"},
      {"recycled kea",
       {szData + "kea-recycled4.csv"},
       "0",
       "Totals for host [10.0.0.5]\tIncoming [12.00 MB]"},
      {"recycled dnsmasq",
       {szData + "dnsmasq-recycled.leases"},
       "0",
       "Totals for host [10.0.0.5]\tIncoming [12.00 MB]"},
      {"kea names", {szData + "kea-released4.csv"}, "0", "Totals for host [10.0.0.8 bob]\t"},
  };
  for (const auto& tCase : kCases) {
    std::vector<std::string> tArgs = {tCase.szType, "20261207", "20261208", tDir.szPath,
                                      "in_",        "o_",       "--group",  "name"};
    for (const std::string& szFile : tCase.tNamesFiles) {
      tArgs.insert(tArgs.end(), {"--names-file", szFile});
    }
    const run_result_t tRun = RunNetreckon(tArgs);
    EXPECT_EQ(tRun.iExitStatus, 0) << tCase.szCase << tRun.szStderr;
    EXPECT_NE(tRun.szStdout.find(tCase.szHolds), std::string::npos) << tCase.szCase << "\n"
                                                                    << tRun.szStdout;
  }
  // The lease that names dave's address otherwise is said once, the lease of 10.0.0.7 that
  // calls itself carol is not (it names a host the admin did not).
  const run_result_t tRun =
      RunNetreckon({"0", "20261207", "20261208", tDir.szPath, "in_", "o_", "--group", "name",
                    "--names-file", szTenants, "--names-file", szDnsmasq, "--names-file", szIsc});
  EXPECT_EQ(tRun.szStderr,
            "netreckon: a lease names [10.0.0.6] [bob]; the admin's name [dave] is kept\n");
}

// Traffic the kit could give no host is keyed "!CAUSE:SUBNET": each such row with traffic is
// said with its bytes in and out, and a full set of hosts makes the status 1.
TEST(Report, TrafficOfNoHostIsSaid) {
  const struct {
    const char* szCase;
    std::vector<std::pair<std::string, std::string>> tIn;
    std::vector<std::pair<std::string, std::string>> tOut;
    long long llInGrowth;  // every row's growth since the baseline
    long long llOutGrowth;
    int iStatus;
    std::string szStderr;
  } kCases[] = {
      {"full set",
       {{"10.0.0.5", "1000"}, {"!full:10.0.0.0/24", "350"}},
       {{"!full:10.0.0.0/24", "10"}},
       250,
       3,
       1,
       "netreckon: not counted for any host in [10.0.0.0/24]: 250 bytes incoming and 3 outgoing "
       "(its set of hosts was full)\n"},
      {"full /64 beside its own row",
       {{"2001:db8:1::/64", "5000"}, {"!full:2001:db8:1::/64", "300"}},
       {{"2001:db8:1::/64", "700"}},
       200,
       9,
       1,
       "netreckon: not counted for any host in [2001:db8:1::/64]: 200 bytes incoming and 0 "
       "outgoing (its set of hosts was full)\n"},
      {"another cause",
       {{"!other:10.0.0.0/24", "100"}},
       {{"!other:10.0.0.0/24", "40"}},
       0,
       33,
       0,
       "netreckon: not counted for any host in [10.0.0.0/24]: 0 bytes incoming and 33 outgoing "
       "(other)\n"},
      {"spoofed sources",
       {},
       {{"!spoofed:192.168.1.0/24", "5000"}},
       0,
       1234,
       0,
       "netreckon: not counted for any host in [192.168.1.0/24]: 0 bytes incoming and 1234 "
       "outgoing (from sources of the subnet that came in where the subnet is not: made up)\n"},
      {"unknown hosts",
       {{"!unknown:2001:db8:1::/64", "12345"}},
       {},
       45,
       0,
       0,
       "netreckon: not counted for any host in [2001:db8:1::/64]: 45 bytes incoming and 0 "
       "outgoing (to addresses that have sent nothing: a scan, or hosts that only receive)\n"},
      {"a flood of made-up addresses",
       {},
       {{"!limit:2001:db8:1::/64", "88800"}},
       0,
       44400,
       0,
       "netreckon: not counted for any host in [2001:db8:1::/64]: 0 bytes incoming and 44400 "
       "outgoing (from more new addresses than one MAC address may bring: made-up sources)\n"},
      {"a full set that took nothing", {{"!full:10.0.0.0/24", "100"}}, {}, 0, 0, 0, ""},
      {"no cause", {{"!:10.0.0.0/24", "900"}, {"!10.0.0.9", "900"}}, {}, 5, 0, 0, ""},
      {"a cause not in lower case", {{"!Full:10.0.0.0/24", "900"}}, {}, 5, 0, 0, ""},
  };
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    const auto Baseline = [](auto tRows, long long llGrowth) {
      for (auto& [szHost, szBytes] : tRows) {
        szBytes = std::to_string(std::stoll(szBytes) - llGrowth);
      }
      return tRows;
    };
    tDir.Write("in_20261201120000", MakeLogText(0, Baseline(tCase.tIn, tCase.llInGrowth)));
    tDir.Write("o_20261201120000", MakeLogText(1, Baseline(tCase.tOut, tCase.llOutGrowth)));
    tDir.Write("in_20261202120000", MakeLogText(0, tCase.tIn));
    tDir.Write("o_20261202120000", MakeLogText(1, tCase.tOut));
    const run_result_t tRun =
        RunNetreckon({"csv", "20261202", "20261202", tDir.szPath, "in_", "o_"});
    EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << tCase.szCase;
    EXPECT_EQ(tRun.szStderr, tCase.szStderr) << tCase.szCase;
  }
}

// Without the log path argument, the directory and the prefixes come from the kit's config.
TEST(Report, TheKitsConfigGivesTheDirectoryAndPrefixes) {
  temp_dir_t tDir;
  tDir.Write("a_20261130120000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  tDir.Write("a_20261201120000", MakeLogText(0, {{"10.0.0.1", "3M"}}));
  tDir.Write("b_20261201120000", MakeLogText(1, {}));
  const std::string szConfig =
      tDir.Write("netreckon.conf", "# kit\nHOSTS=\"10.0.0.1\"\nLOG_DIR = \"" + tDir.szPath +
                                       "\"\nexport IN_PREFIX=a_ # in\nOUT_PREFIX='b_'\n");
  const struct {
    std::vector<std::string> tArgs;
    int iStatus;
    std::string szStdout;
    std::string szStderrStart;
  } kCases[] = {
      {{"csv", "20261201", "20261201", "--config", szConfig},
       0,
       "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n10.0.0.1,,2026-12-01,2000000,0,"
       "1\r\n",
       ""},
      // A path given wins over the config.
      {{"--config", szConfig, "csv", "20261201", "20261201", tDir.szPath + "/none"},
       1,
       "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n",
       "netreckon: the incoming and outgoing prefixes are the same"},
      {{"csv", "20261201", "20261201", "--config", tDir.szPath},
       2,
       "",
       "netreckon: cannot read the config [" + tDir.szPath + "]: not a regular file"},
  };
  for (const auto& tCase : kCases) {
    const run_result_t tRun = RunNetreckon(tCase.tArgs);
    EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << tCase.tArgs.back() << tRun.szStderr;
    EXPECT_EQ(tRun.szStdout, tCase.szStdout) << tCase.tArgs.back();
    EXPECT_EQ(tRun.szStderr.rfind(tCase.szStderrStart, 0), 0u) << tRun.szStderr;
  }
  const std::string szBad = tDir.Write("bad.conf", "LOG_DIR=/srv x\n");
  const run_result_t tBad = RunNetreckon({"0", "today", "today", "--config", szBad});
  EXPECT_EQ(tBad.iExitStatus, 2);
  EXPECT_EQ(tBad.szStderr, "netreckon: cannot read the config [" + szBad +
                               "]: line 1: text after the value (quote a value with blanks): x\n");
  EXPECT_EQ(tBad.szStdout, "");
}

// The collector's events file beside the snapshots, a case a line: what it holds ("link": a
// link to a file of one event), the line the console report adds before the elapsed time, the
// exit status and the messages. Without an event of the report's days the report is unchanged.
TEST(Report, RecordedLossesMarkTheirDaysAndTheStatus) {
  const std::string szEvent =
      "20090426060000 IPv4 in_ out_ 20090425180000 saved counters restored\n";
  const std::string szNotice =
      "traffic may be missing on 2009-04-26: saved counters restored; the last good snapshot "
      "2009-04-25 18:00:00, found 2009-04-26 06:00:00";
  const struct {
    std::string szHolds;
    std::string szAdded;
    int iStatus;
    std::string szStderr;
  } kCases[] = {
      {"", "", 0, ""},
      {"20090426060000 IPv4 other_in_ other_out_ 20090425180000 chains gone\n", "", 0, ""},
      {"20090420060000 IPv4 in_ out_ 20090419180000 chains gone\n", "", 0, ""},
      {szEvent, "Incomplete: " + szNotice + "\n", 1, "netreckon: " + szNotice + "\n"},
      {"20090427120000 IPv4+IPv6 IN_ OUT_ 20090424230000 chains gone\n",
       "Incomplete: traffic may be missing from 2009-04-25 to 2009-04-27: chains gone; the last "
       "good snapshot 2009-04-24 23:00:00, found 2009-04-27 12:00:00\n",
       1,
       "netreckon: traffic may be missing from 2009-04-25 to 2009-04-27: chains gone; the last "
       "good snapshot 2009-04-24 23:00:00, found 2009-04-27 12:00:00\n"},
      {"not an event\n", "", 1,
       "netreckon: passed over 1 lines of [DIR/netreckon.events] that are no loss record: the "
       "days they meant are not marked\n"},
      {"link", "", 1,
       "netreckon: refused [DIR/netreckon.events]: a symbolic link is never followed; days that "
       "may lack traffic are not marked\n"},
  };
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    WriteThreeDays(tDir);
    if (tCase.szHolds == "link") {
      const std::string szTarget = tDir.Write("elsewhere", szEvent);
      ASSERT_EQ(symlink(szTarget.c_str(), (tDir.szPath + "/netreckon.events").c_str()), 0);
    } else if (!tCase.szHolds.empty()) {
      tDir.Write("netreckon.events", tCase.szHolds);
    }
    const run_result_t tRun =
        RunNetreckon({"0", "20090425", "20090427", tDir.szPath, "in_", "out_"});
    std::string szWant = kConsoleThreeDays;
    szWant.insert(szWant.find("\nElapsed"), tCase.szAdded);
    EXPECT_EQ(MaskElapsed(tRun.szStdout), szWant) << tCase.szHolds;
    EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << tCase.szHolds;
    std::string szStderr = tCase.szStderr;
    if (const std::size_t iAt = szStderr.find("DIR"); iAt != std::string::npos) {
      szStderr.replace(iAt, 3, tDir.szPath);
    }
    EXPECT_EQ(tRun.szStderr, szStderr) << tCase.szHolds;
  }
}
