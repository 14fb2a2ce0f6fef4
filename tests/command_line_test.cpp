// The command line run as a process: usage, banner, defaults and the date filters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "time_zone.h"

namespace {

constexpr const char* kBannerText = "netreckon\nWritten by the netreckon developers.\n\n";

std::string LocalDate(time_t tWhen) {
  struct tm tDate = {};
  localtime_r(&tWhen, &tDate);
  char szDate[16];
  std::strftime(szDate, sizeof szDate, "%Y%m%d", &tDate);
  return szDate;
}

}  // namespace

TEST(CommandLine, NoArgumentsPrintsTheUsageAndExits255) {
  const run_result_t tRun = RunNetreckon({});
  EXPECT_EQ(tRun.iExitStatus, 255);
  EXPECT_EQ(tRun.szStdout,
            std::string(kBannerText) +
                "Usage: <generate-type> <start-date-filter> <end-date-filter> <logfiles-path> "
                "<incoming-data-logfileprefix> <outgoing-data-logfileprefix>\n\n"
                ": <generate-type>\t= the type of output format to generate (0 = console, 1 = "
                "html).\n"
                ": <start-date-filter>\t= the optional start date range of logfiles to parse "
                "(example: 20090425 and default is current date. You may also use the today "
                "keyword like this: today).\n"
                ": <end-date-filter>\t= the optional end date range of logfiles to parse (example: "
                "20090425 and default is current date. You may also use the today keyword like "
                "this: today-30).\n"
                ": <logfiles-path>\t= the optional path to search for the logfiles (default value "
                "is ./).\n"
                ": <incoming-data-logfileprefix>\t= the optional log filename prefix used to "
                "describe incoming data logs (example: traffic_in_).\n"
                ": <outgoing-data-logfileprefix>\t= the optional log filename prefix used to "
                "describe outgoing data logs (example: traffic_out_).\n");
  EXPECT_EQ(tRun.szStderr, "");
}

TEST(CommandLine, DefaultsToTodayAndTheWorkingDirectory) {
  if (access("/etc/netreckon.conf", F_OK) == 0) {
    GTEST_SKIP() << "the kit's config is installed here: its directory is the default";
  }
  temp_dir_t tDir;
  for (const char* szZone : {"UTC", "Pacific/Kiritimati", "America/Los_Angeles"}) {
    const TimeZone tZone(szZone);
    const std::string szBefore = LocalDate(time(nullptr));
    const run_result_t tRun = RunNetreckon({"0"}, szZone, 60, tDir.szPath);
    const std::string szAfter = LocalDate(time(nullptr));
    // Nothing to read in an empty directory: said for each direction, and the status says so.
    EXPECT_EQ(tRun.iExitStatus, 1);
    EXPECT_NE(tRun.szStderr.find("netreckon: no snapshot [] in [./] from "), std::string::npos)
        << tRun.szStderr;
    const std::string szOutput = MaskElapsed(tRun.szStdout);
    bool bMatched = false;
    for (const std::string& szToday : {szBefore, szAfter}) {
      bMatched = bMatched ||
                 szOutput == std::string(kBannerText) + "Using filter date-range [" + szToday +
                                 "] - [" + szToday + "]\n" + std::string(101, '=') +
                                 "\nBandwidth usage from: none to none\n" + std::string(101, '=') +
                                 "\nTotals for all hosts in filter\tIncoming [0.00 "
                                 "MB]\tOutgoing [0.00 MB]\tTotal [0.00 MB]\n\nElapsed "
                                 "time to generate stats: X\n";
    }
    EXPECT_TRUE(bMatched) << szZone << "\n" << szOutput;
  }
}

TEST(CommandLine, ResolvesTodayMinusDaysAgainstTheClock) {
  const TimeZone tZone("Europe/Berlin");
  temp_dir_t tDir;
  const time_t tBefore = time(nullptr);
  const run_result_t tRun =
      RunNetreckon({"0", "today-40", "yesterday", tDir.szPath}, "Europe/Berlin");
  const time_t tAfter = time(nullptr);
  bool bMatched = false;
  for (const time_t tNow : {tBefore, tAfter}) {
    // Calendar days: noon of today's date, moved by whole days, never lands on a neighbour.
    struct tm tStart = {};
    localtime_r(&tNow, &tStart);
    tStart.tm_hour = 12;
    tStart.tm_isdst = -1;
    struct tm tEnd = tStart;
    tStart.tm_mday -= 40;
    tEnd.tm_mday -= 1;
    const std::string szLine = "Using filter date-range [" + LocalDate(mktime(&tStart)) + "] - [" +
                               LocalDate(mktime(&tEnd)) + "]\n";
    bMatched = bMatched || tRun.szStdout.find(szLine) != std::string::npos;
  }
  EXPECT_TRUE(bMatched) << tRun.szStdout;
}

TEST(CommandLine, TypesAreNumbersOrWordsInAnyCase) {
  temp_dir_t tDir;
  tDir.Write("in_20090424000000", MakeLogText(0, {{"10.0.0.1", "0"}}));
  tDir.Write("out_20090424000000", MakeLogText(1, {{"10.0.0.1", "0"}}));
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  tDir.Write("out_20090425000000", MakeLogText(1, {{"10.0.0.1", "2M"}}));
  const struct {
    const char* szType;
    int iStatus;
    const char* szStdoutStart;  // nullptr: nothing on standard output
  } kCases[] = {
      {"0", 0, kBannerText},
      {"console", 0, kBannerText},
      {"Console", 0, kBannerText},
      {"1", 0, "        <html>"},
      {"HTML", 0, "        <html>"},
      {"csv", 0, "host,name,date"},
      {"CSV", 0, "host,name,date"},
      {"Json", 0, "{"},
      {"Daily", 0, "<!DOCTYPE html>"},
      {"MONTHLY", 0, "<!DOCTYPE html>"},
      {"2", 0, nullptr},
      {"-1", 0, nullptr},
      {"7x", 0, nullptr},
      {" 1", 0, "        <html>"},
      {"htlm", 2, nullptr},
      {"consoles", 2, nullptr},
      {"", 2, nullptr},
      {"x0", 2, nullptr},
  };
  for (const auto& tCase : kCases) {
    const run_result_t tRun =
        RunNetreckon({tCase.szType, "20090425", "20090425", tDir.szPath, "in_", "out_"});
    EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << tCase.szType;
    if (tCase.szStdoutStart == nullptr) {
      EXPECT_EQ(tRun.szStdout, "") << tCase.szType;
    } else {
      EXPECT_EQ(tRun.szStdout.rfind(tCase.szStdoutStart, 0), 0u) << tCase.szType << tRun.szStdout;
    }
    if (tCase.iStatus == 2) {
      EXPECT_EQ(tRun.szStderr, std::string("netreckon: unknown report type [") + tCase.szType +
                                   "]: the types are 0, 1, console, html, csv, json, daily or "
                                   "monthly\n");
    } else {
      EXPECT_EQ(tRun.szStderr, "") << tCase.szType;
    }
  }
}

TEST(CommandLine, HelpAndVersionAnswerAndExit0) {
  const struct {
    const char* szArgument;
    const char* szStart;
    const char* szAlsoHolds;
  } kCases[] = {
      {"--help", "Usage: <generate-type>", "csv      bytes per host and day"},
      {"-h", "Usage: <generate-type>", "monthly  an HTML page"},
      {"--version", "netreckon " NETRECKON_VERSION "\n", ""},
      {"-V", "netreckon " NETRECKON_VERSION "\n", ""},
  };
  for (const auto& tCase : kCases) {
    const run_result_t tRun = RunNetreckon({tCase.szArgument, "20090425"});
    EXPECT_EQ(tRun.iExitStatus, 0) << tCase.szArgument;
    EXPECT_EQ(tRun.szStdout.rfind(tCase.szStart, 0), 0u) << tRun.szStdout;
    EXPECT_NE(tRun.szStdout.find(tCase.szAlsoHolds), std::string::npos) << tRun.szStdout;
    EXPECT_EQ(tRun.szStderr, "") << tCase.szArgument;
  }
  // One version: the changelog names it.
  std::ifstream tChangelog(std::string(NETRECKON_SOURCE_DIR) + "/CHANGELOG.md");
  const std::string szChangelog((std::istreambuf_iterator<char>(tChangelog)),
                                std::istreambuf_iterator<char>());
  EXPECT_NE(szChangelog.find("\n## " NETRECKON_VERSION " - "), std::string::npos);
  // The Debian package's newest entry names it too.
  std::ifstream tDebian(std::string(NETRECKON_SOURCE_DIR) + "/debian/changelog");
  std::string szFirstLine;
  std::getline(tDebian, szFirstLine);
  EXPECT_EQ(szFirstLine.rfind("netreckon (" NETRECKON_VERSION ") ", 0), 0u) << szFirstLine;
}

TEST(CommandLine, CutsOverlongArgumentsToTheirBuffers) {
  const std::string szLong(5000, '2');
  const run_result_t tDates = RunNetreckon({"0", szLong, szLong, szLong, szLong, szLong, "extra"});
  EXPECT_EQ(tDates.iExitStatus, 2);
  EXPECT_EQ(tDates.szStdout, "");
  EXPECT_EQ(tDates.szStderr.rfind("netreckon: the start date [" + std::string(1023, '2') +
                                      "] is no date: give YYYYMMDD",
                                  0),
            0u);
  const run_result_t tRun =
      RunNetreckon({"0", "20090425", "20090425", szLong, szLong, szLong, "extra"});
  EXPECT_EQ(tRun.iExitStatus, 1);
  EXPECT_NE(tRun.szStderr.find("Couldn't open the directory [" + std::string(1023, '2') + "]: "),
            std::string::npos);
}

// Every slip of the command line stops the run with status 2 and one line, before a report
// that would mislead.
TEST(CommandLine, DatesThatAreNoWholeDayStopTheRun) {
  const struct {
    const char* szStart;
    const char* szEnd;
    const char* szStderr;
  } kCases[] = {
      {"2026-12-01", "01.12.2026", "the end date [01.12.2026] is no date"},
      {"20261301", "20261208", "the start date [20261301] is no date"},
      {"last-month", "today", "the start date [last-month] is no date"},
      {"yesterday", "Today", "the end date [Today] is no date"},
      {"today", "2026120812", "the end date [2026120812] is no date"},
      {"20261208", "20261201", "the end date 20261201 is before the start date 20261208"},
      {"2026-12", "202611", "the end date 20261130 is before the start date 20261201"},
      {"a\x1b[31m", "today", "the start date [a\\x1b[31m] is no date"},
      // The directory given where the dates belong.
      {"/var/log/netreckon", "today",
       "the start date [/var/log/netreckon] is no date: give "
       "YYYYMMDD, YYYY-MM-DD, YYYYMM, YYYY-MM, YYYY, today, "
       "yesterday, today-N, month, month-N, year or year-N\n"},
  };
  temp_dir_t tDir;
  for (const auto& tCase : kCases) {
    const run_result_t tRun =
        RunNetreckon({"0", tCase.szStart, tCase.szEnd, tDir.szPath, "in_", "out_"});
    EXPECT_EQ(tRun.iExitStatus, 2) << tCase.szStart;
    EXPECT_EQ(tRun.szStdout, "") << tCase.szStart;
    EXPECT_EQ(tRun.szStderr.rfind(std::string("netreckon: ") + tCase.szStderr, 0), 0u)
        << tRun.szStderr;
    EXPECT_EQ(std::count(tRun.szStderr.begin(), tRun.szStderr.end(), '\n'), 1) << tCase.szStart;
  }
}

TEST(CommandLine, OptionsStandAnywhereAndBadOnesEndWithStatus2) {
  temp_dir_t tDir;
  tDir.Write("in_20090424230000", MakeLogText(0, {{"10.0.0.1", "1M"}, {"10.0.0.2", "1M"}}));
  tDir.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "2M"}, {"10.0.0.2", "9M"}}));
  tDir.Write("o_20090425120000", MakeLogText(1, {{"10.0.0.1", "2M"}}));
  const std::string szOne = "Totals for host [10.0.0.1]";
  const std::string szTwo = "Totals for host [10.0.0.2]";
  const struct {
    std::vector<std::string> tArgs;
    int iStatus;
    std::string szFirstHost;  // empty: no report
    std::string szStderr;
  } kCases[] = {
      {{"0", "20090425", "20090425", tDir.szPath, "in_", "o_"}, 0, szOne, ""},
      {{"--sort", "total", "0", "20090425", "20090425", tDir.szPath, "in_", "o_"}, 0, szTwo, ""},
      {{"0", "20090425", "--sort=in", "20090425", tDir.szPath, "in_", "o_"}, 0, szTwo, ""},
      {{"0", "20090425", "20090425", tDir.szPath, "in_", "o_", "--sort", "host"}, 0, szOne, ""},
      {{"0", "20090425", "20090425", tDir.szPath, "in_", "o_", "--top", "1"}, 0, szOne, ""},
      {{"0", "20090425", "20090425", "--", tDir.szPath, "in_", "o_"}, 0, szOne, ""},
      {{"0", "--bogus", "20090425"}, 2, "", "netreckon: unknown option --bogus"},
      {{"0", "-x"}, 2, "", "netreckon: unknown option -x"},
      {{"0", "--sort", "size"}, 2, "", "netreckon: --sort takes total, in, out or host, not size"},
      {{"0", "--top", "0"}, 2, "", "netreckon: --top takes a whole number of hosts from 1, not 0"},
      {{"0", "--top", "-3"},
       2,
       "",
       "netreckon: --top takes a whole number of hosts from 1, not -3"},
      {{"0", "--by", "fortnight"},
       2,
       "",
       "netreckon: --by takes day, week or month, not fortnight"},
      {{"0", "--period-start", "29"},
       2,
       "",
       "netreckon: --period-start takes a day of the month from 1 to 28, not 29"},
      {{"0", "--period-start", "0"},
       2,
       "",
       "netreckon: --period-start takes a day of the month from 1 to 28, not 0"},
      {{"0", "--group", "mac"}, 2, "", "netreckon: --group takes name, not mac"},
      {{"0", "--over", "5X"},
       2,
       "",
       "netreckon: --over takes a size such as 800M, 50G or 2T, not 5X"},
      {{"0", "--over", "-1G"},
       2,
       "",
       "netreckon: --over takes a size such as 800M, 50G or 2T, not -1G"},
      {{"0", "--over", "99999999999999T"},
       2,
       "",
       "netreckon: --over takes a size such as 800M, 50G or 2T, not 99999999999999T"},
      {{"0", "--config", "/nonexistent/netreckon.conf"},
       2,
       "",
       "netreckon: cannot read the config [/nonexistent/netreckon.conf]: No such file or "
       "directory"},
      {{"0", "--sort"}, 2, "", "netreckon: a value is missing after --sort"},
      {{"0", "--names-file", "/nonexistent/names"},
       2,
       "",
       "netreckon: cannot read the names file [/nonexistent/names]: No such file or directory"},
      {{"--names"}, 255, "", ""},
  };
  for (const auto& tCase : kCases) {
    const run_result_t tRun = RunNetreckon(tCase.tArgs);
    const std::string szCase = tCase.tArgs.back();
    EXPECT_EQ(tRun.iExitStatus, tCase.iStatus) << szCase;
    if (tCase.szFirstHost.empty()) {
      EXPECT_EQ(tRun.szStdout.find("Totals for host"), std::string::npos) << szCase;
    } else {
      EXPECT_EQ(tRun.szStdout.find("Totals for host ["), tRun.szStdout.find(tCase.szFirstHost))
          << szCase << "\n"
          << tRun.szStdout;
    }
    EXPECT_EQ(tRun.szStderr.rfind(tCase.szStderr, 0), 0u) << szCase << ": " << tRun.szStderr;
    if (tCase.iStatus == 2) {
      EXPECT_EQ(std::count(tRun.szStderr.begin(), tRun.szStderr.end(), '\n'), 1) << szCase;
      EXPECT_EQ(tRun.szStdout, "") << szCase;
    }
  }
}
