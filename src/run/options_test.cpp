// Tests of the command line read into a request: every option's value, the positional
// arguments in any order with the options, the kit's defaults, the date filters resolved
// against an injected clock, and each refusal's message.
#include "run/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "time_zone.h"

namespace {

constexpr time_t k20261208Noon = 1796731200;  // 2026-12-08 12:00 UTC, a Tuesday

// Reads a command line (the program's name first) into a request.
bool Read(std::vector<std::string> tWords, request_t& tRequest, std::string& szError) {
  tWords.insert(tWords.begin(), "netreckon");
  std::vector<char*> tArgv;
  for (std::string& szWord : tWords) {
    tArgv.push_back(szWord.data());
  }
  tArgv.push_back(nullptr);
  return ReadRequest(static_cast<int>(tWords.size()), tArgv.data(), k20261208Noon, tRequest,
                     &szError);
}

// What a request holds, one word per field.
std::string Describe(const request_t& tRequest) {
  const report_options_t& tOptions = tRequest.tOptions;
  return "type " + std::to_string(static_cast<int>(tRequest.eReport)) + " path " +
         tRequest.szLogPath + " in " + tRequest.szIncomingDataLogfilePrefix + " out " +
         tRequest.szOutgoingDataLogfilePrefix + (tRequest.bIncomingPrefixAlone ? " alone" : "") +
         " from " + std::to_string(tRequest.start_date) + " to " +
         std::to_string(tRequest.end_date) + " today " + std::to_string(tRequest.uiToday) +
         (tOptions.bNames ? " names" : "") + " order " +
         std::to_string(static_cast<int>(tOptions.eOrder)) +
         (tOptions.bOrderGiven ? " given" : "") + " top " + std::to_string(tOptions.iTop) + " by " +
         std::to_string(static_cast<int>(tOptions.eBy)) + " start " +
         std::to_string(tOptions.iPeriodStart) + (tOptions.bGroupByName ? " group" : "") +
         " over " + std::to_string(tOptions.llOverBytes) + " files " +
         std::to_string(tRequest.tNames.tFiles.size());
}

}  // namespace

TEST(ReadRequest, ReadsEveryArgumentAndOptionWhereverItStands) {
  const TimeZone tZone("UTC");
  const struct {
    std::vector<std::string> tWords;
    const char* szRequest;
  } kCases[] = {
      {{"0", "20090425", "20090426", "logs/", "in_", "out_"},
       "type 1 path logs/ in in_ out out_ from 20090425 to 20090426 today 20261208 order 0 top 0 "
       "by 0 start 1 over -1 files 0"},
      {{"1", "today-1", "today", "d", "a_", "b_"},
       "type 2 path d in a_ out b_ from 20261207 to 20261208 today 20261208 order 0 top 0 by 0 "
       "start 1 over -1 files 0"},
      {{"CSV", "month-1", "month-1", "d", "a_", "b_"},
       "type 3 path d in a_ out b_ from 20261101 to 20261130 today 20261208 order 0 top 0 by 0 "
       "start 1 over -1 files 0"},
      {{"json", "month", "month", "d", "a_", "b_", "--period-start", "9"},
       "type 4 path d in a_ out b_ from 20261109 to 20261208 today 20261208 order 0 top 0 by 0 "
       "start 9 over -1 files 0"},
      {{"daily", "2026", "2026", "d", "a_", "b_", "--period-start", "28"},
       "type 5 path d in a_ out b_ from 20260101 to 20261231 today 20261208 order 0 top 0 by 0 "
       "start 28 over -1 files 0"},
      {{"--sort", "in", "monthly", "yesterday", "2026-12", "d", "a_", "b_"},
       "type 6 path d in a_ out b_ from 20261207 to 20261231 today 20261208 order 2 given top 0 "
       "by 0 start 1 over -1 files 0"},
      {{"-1", "--sort", "out", "20090425", "--top", "7", "20090425", "d", "a_", "b_"},
       "type 0 path d in a_ out b_ from 20090425 to 20090425 today 20261208 order 3 given top 7 "
       "by 0 start 1 over -1 files 0"},
      {{"0", "--sort=host", "--top=999999999", "--by", "week", "today", "today", "d", "a_", "b_"},
       "type 1 path d in a_ out b_ from 20261208 to 20261208 today 20261208 order 4 given top "
       "999999999 by 1 start 1 over -1 files 0"},
      {{"0", "--sort", "total", "--by", "month", "--names", "2009-04-25", "2009-04-25", "d", "a_",
        "b_"},
       "type 1 path d in a_ out b_ from 20090425 to 20090425 today 20261208 names order 1 given "
       "top 0 by 2 start 1 over -1 files 0"},
      {{"0", "--by", "day", "--group", "name", "--over", "0", "today", "today", "d", "a_", "b_"},
       "type 1 path d in a_ out b_ from 20261208 to 20261208 today 20261208 order 0 top 0 by 0 "
       "start 1 group over 0 files 0"},
      {{"0", "--over", "1K", "today", "today", "d", "a_", "b_"},
       "type 1 path d in a_ out b_ from 20261208 to 20261208 today 20261208 order 0 top 0 by 0 "
       "start 1 over 1000 files 0"},
      // One incoming prefix alone; after "--" an option is an argument.
      {{"0", "today", "today", "d", "a_"},
       "type 1 path d in a_ out  alone from 20261208 to 20261208 today 20261208 order 0 top 0 by "
       "0 start 1 over -1 files 0"},
      {{"0", "today", "today", "d", "--", "--names", "b_"},
       "type 1 path d in --names out b_ from 20261208 to 20261208 today 20261208 order 0 top 0 by "
       "0 start 1 over -1 files 0"},
      // A date filter left out is today.
      {{"0", "", "", "d", "a_", "b_"},
       "type 1 path d in a_ out b_ from 20261208 to 20261208 today 20261208 order 0 top 0 by 0 "
       "start 1 over -1 files 0"},
  };
  for (const auto& tCase : kCases) {
    request_t tRequest;
    std::string szError;
    EXPECT_TRUE(Read(tCase.tWords, tRequest, szError)) << tCase.szRequest << ": " << szError;
    EXPECT_EQ(tRequest.eCommand, command_t::kRun) << tCase.szRequest;
    EXPECT_EQ(Describe(tRequest), tCase.szRequest);
    EXPECT_EQ(tRequest.tStartProcessing, k20261208Noon) << tCase.szRequest;
  }
}

TEST(ReadRequest, RefusesEachBadValueWithItsMessage) {
  const TimeZone tZone("UTC");
  const struct {
    std::vector<std::string> tWords;
    const char* szError;
  } kCases[] = {
      {{"0", "--bogus"}, "unknown option --bogus (netreckon --help lists the options)"},
      {{"0", "--top"}, "a value is missing after --top (netreckon --help lists the options)"},
      {{"0", "--top", "0"},
       "--top takes a whole number of hosts from 1, not 0 (netreckon --help lists the options)"},
      {{"0", "--top", "1000000000"},
       "--top takes a whole number of hosts from 1, not 1000000000 (netreckon --help lists the "
       "options)"},
      {{"0", "--sort", "name"},
       "--sort takes total, in, out or host, not name (netreckon --help lists the options)"},
      {{"0", "--by", "year"},
       "--by takes day, week or month, not year (netreckon --help lists the options)"},
      {{"0", "--period-start", "29"},
       "--period-start takes a day of the month from 1 to 28, not 29 (netreckon --help lists the "
       "options)"},
      {{"0", "--period-start", "0"},
       "--period-start takes a day of the month from 1 to 28, not 0 (netreckon --help lists the "
       "options)"},
      {{"0", "--group", "host"},
       "--group takes name, not host (netreckon --help lists the options)"},
      {{"0", "--over", "5X"},
       "--over takes a size such as 800M, 50G or 2T, not 5X (netreckon --help lists the "
       "options)"},
      {{"xyz"},
       "unknown report type [xyz]: the types are 0, 1, console, html, csv, json, daily or "
       "monthly"},
      {{"0", "2009-13-01", "today", "d", "a_", "b_"},
       "the start date [2009-13-01] is no date: give YYYYMMDD, YYYY-MM-DD, YYYYMM, YYYY-MM, "
       "YYYY, today, yesterday, today-N, month, month-N, year or year-N"},
      {{"0", "today", "tomorrow", "d", "a_", "b_"},
       "the end date [tomorrow] is no date: give YYYYMMDD, YYYY-MM-DD, YYYYMM, YYYY-MM, YYYY, "
       "today, yesterday, today-N, month, month-N, year or year-N"},
      {{"0", "today", "yesterday", "d", "a_", "b_"},
       "the end date 20261207 is before the start date 20261208"},
      {{"0", "--names-file", "/nonexistent/hosts", "today", "today", "d", "a_", "b_"},
       "cannot read the names file [/nonexistent/hosts]: No such file or directory"},
      {{"0", "--names-file", "/", "today", "today", "d", "a_", "b_"},
       "the names file [/] is not a regular file"},
      {{"0", "today", "today", "--config", "/nonexistent/netreckon.conf"},
       "cannot read the config [/nonexistent/netreckon.conf]: No such file or directory"},
  };
  for (const auto& tCase : kCases) {
    request_t tRequest;
    std::string szError;
    EXPECT_FALSE(Read(tCase.tWords, tRequest, szError)) << tCase.szError;
    EXPECT_EQ(szError, tCase.szError);
  }
}

TEST(ReadRequest, HelpVersionAndNoArgumentsEndTheReading) {
  const struct {
    std::vector<std::string> tWords;
    command_t eCommand;
  } kCases[] = {
      {{}, command_t::kUsage},
      {{"--names"}, command_t::kUsage},
      {{"--help"}, command_t::kHelp},
      {{"0", "-h"}, command_t::kHelp},
      {{"-V"}, command_t::kVersion},
      {{"--version", "--bogus"}, command_t::kVersion},
      {{"--sort", "in"}, command_t::kUsage},
  };
  for (const auto& tCase : kCases) {
    request_t tRequest;
    std::string szError;
    EXPECT_TRUE(Read(tCase.tWords, tRequest, szError)) << szError;
    EXPECT_EQ(tRequest.eCommand, tCase.eCommand) << tCase.tWords.size();
  }
}

// Without the log path argument the kit's config gives the directory and both prefixes, and
// the prefixes are never "one alone".
TEST(ReadRequest, TakesTheDirectoryAndPrefixesFromTheKitConfig) {
  const TimeZone tZone("UTC");
  const temp_dir_t tDir;
  const std::string szConfig =
      tDir.Write("netreckon.conf", "LOG_DIR=/srv/snap\nIN_PREFIX=i_\nOUT_PREFIX=o_\n");
  request_t tRequest;
  std::string szError;
  ASSERT_TRUE(Read({"0", "today", "today", "--config", szConfig}, tRequest, szError)) << szError;
  EXPECT_EQ(Describe(tRequest),
            "type 1 path /srv/snap in i_ out o_ from 20261208 to 20261208 today 20261208 order 0 "
            "top 0 by 0 start 1 over -1 files 0");
  // A log path argument wins over the config, which is then not read at all.
  request_t tGiven;
  ASSERT_TRUE(Read({"0", "today", "today", "d", "--config", "/nonexistent"}, tGiven, szError));
  EXPECT_EQ(std::string(tGiven.szLogPath), "d");
  EXPECT_EQ(std::string(tGiven.szIncomingDataLogfilePrefix), "");
}

// Later names files win; each file's keys are kept to say when one names none of the hosts.
TEST(ReadRequest, ReadsTheNamesFilesInOrder) {
  const temp_dir_t tDir;
  const std::string szFirst = tDir.Write("first", "10.0.0.1 one\n10.0.0.2 two\n");
  const std::string szSecond = tDir.Write("second", "10.0.0.2 deux\n");
  request_t tRequest;
  std::string szError;
  ASSERT_TRUE(Read(
      {"csv", "--names-file", szFirst, "today", "today", "d", "a_", "b_", "--names-file", szSecond},
      tRequest, szError))
      << szError;
  EXPECT_TRUE(tRequest.tOptions.bNames);
  ASSERT_EQ(tRequest.tNames.tFiles.size(), 2U);
  ASSERT_EQ(tRequest.tNames.tFileKeys.size(), 2U);
  EXPECT_EQ(tRequest.tNames.tFileKeys[0].size(), 2U);
  EXPECT_EQ(tRequest.tNames.tFileKeys[1].size(), 1U);
  EXPECT_EQ(tRequest.tNames.tBook.tAdmin.size(), 2U);
  std::string szNames;
  for (const char* szKey : {"10.0.0.1", "10.0.0.2"}) {
    for (const auto& [szBookKey, szName] : tRequest.tNames.tBook.tAdmin) {
      if (szBookKey.find(szKey) != std::string::npos || szBookKey == szKey) {
        szNames += szName + " ";
      }
    }
  }
  EXPECT_EQ(szNames, "one deux ");
}

// Sizes: digits and a unit of powers of 1000, each unit at its edges.
TEST(ReadRequest, ReadsSizesOfEveryUnit) {
  const struct {
    const char* szText;
    long long llBytes;  // -1: refused
  } kCases[] = {
      {"0", 0},
      {"1", 1},
      {"999", 999},
      {"1K", 1000},
      {"2K", 2000},
      {"1M", 1000000},
      {"3M", 3000000},
      {"1G", 1000000000},
      {"4G", 4000000000},
      {"1T", 1000000000000},
      {"5T", 5000000000000},
      {"999999999999999", 999999999999999},
      {"9223372T", 9223372000000000000},
      {"9223373T", -1},
      {"1000000000000000", -1},
      {"", -1},
      {"K", -1},
      {"1k", -1},
      {"1P", -1},
      {"1.5G", -1},
      {"-1", -1},
      {"1KB", -1},
      {" 1", -1},
  };
  for (const auto& tCase : kCases) {
    long long llBytes = -7;
    EXPECT_EQ(ReadSize(tCase.szText, llBytes), tCase.llBytes >= 0) << tCase.szText;
    if (tCase.llBytes >= 0) {
      EXPECT_EQ(llBytes, tCase.llBytes) << tCase.szText;
    }
  }
}

TEST(ReadRequest, ReadsWholeNumbersWithinTheirBounds) {
  const struct {
    const char* szText;
    std::size_t iDigits;
    int32_t iMin;
    int32_t iMax;
    int32_t iValue;  // -1: refused
  } kCases[] = {
      {"1", 2, 1, 28, 1},
      {"28", 2, 1, 28, 28},
      {"29", 2, 1, 28, -1},
      {"0", 2, 1, 28, -1},
      {"01", 2, 1, 28, 1},
      {"001", 2, 1, 28, -1},
      {"", 2, 1, 28, -1},
      {"1a", 2, 1, 28, -1},
      {"+1", 2, 1, 28, -1},
      {"999999999", 9, 1, 999999999, 999999999},
      {"1000000000", 10, 1, 999999999, -1},
      {"5", 9, 5, 5, 5},
      {"4", 9, 5, 5, -1},
      {"6", 9, 5, 5, -1},
  };
  for (const auto& tCase : kCases) {
    int32_t iValue = -7;
    EXPECT_EQ(ReadWholeNumber(tCase.szText, tCase.iDigits, tCase.iMin, tCase.iMax, iValue),
              tCase.iValue >= 0)
        << tCase.szText;
    EXPECT_EQ(iValue, tCase.iValue >= 0 ? tCase.iValue : -7) << tCase.szText;
  }
}

TEST(ReadRequest, WritesTheHelpTheUsageAndTheBanner) {
  const std::string szHelp =
      WriteToString([](std::FILE* pOut) { WriteCommandText(pOut, command_t::kHelp); });
  EXPECT_EQ(szHelp.rfind("Usage: <generate-type> <start-date-filter>", 0), 0U) << szHelp;
  EXPECT_NE(szHelp.find("\n  --over SIZE        only hosts whose total passes SIZE"),
            std::string::npos);
  EXPECT_EQ(szHelp.find("Written by"), std::string::npos);
  const std::string szUsage =
      WriteToString([](std::FILE* pOut) { WriteCommandText(pOut, command_t::kUsage); });
  EXPECT_EQ(szUsage.rfind("netreckon\nWritten by the netreckon developers.\n\nUsage: ", 0), 0U);
  EXPECT_EQ(szUsage.find("--over"), std::string::npos);
  request_t tRequest;
  tRequest.start_date = 20090425;
  tRequest.end_date = 20261208;
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteBanner(pOut, tRequest); }),
            "netreckon\nWritten by the netreckon developers.\n\nUsing filter date-range "
            "[20090425] - [20261208]\n");
  tRequest.eReport = report_type_t::kCsv;
  EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteBanner(pOut, tRequest); }), "");
}
