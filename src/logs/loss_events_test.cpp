// Tests of reading the collector's events file.
#include "logs/loss_events.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "test_support.h"

// A line a case: what it is read as ("event", "other" for another folder's prefixes, "bad").
TEST(LossEvents, ReadsEachLineOfTheDocumentedForm) {
  const struct {
    const char* szLine;
    const char* szAs;
  } kCases[] = {
      {"20261108120000 IPv4 in_ out_ 20261107120000 saved counters restored", "event"},
      {"20261108120000 IPv4+IPv6 IN_ Out_ 20261107120000 chains gone", "event"},
      {"20261108120000 IPv4 in_ out_ 20261108120000 counters reset\r", "event"},
      {"20261108120000  IPv4  in_  out_  20261101000000   table gone", "event"},
      {"20261108120000 IPv4 other_in_ out_ 20261107120000 chains gone", "other"},
      {"20261108120000 IPv4 in_ other_ 20261107120000 chains gone", "other"},
      {"20261108120000 IPv4 in_ out_ 20261109120000 found before the last good", "bad"},
      {"20261108120000 IPv4 in_ out_ 20261107120000", "bad"},
      {"20261108120000 IPv4 in_ out_", "bad"},
      {"2026110812000 IPv4 in_ out_ 20261107120000 short stamp", "bad"},
      {"20261108120000 IPv4 in_ out_ 2026110712000x letter", "bad"},
      {"20261131120000 IPv4 in_ out_ 20261107120000 no such day", "bad"},
      {"20261108240000 IPv4 in_ out_ 20261107120000 no such hour", "bad"},
      {"20261108126000 IPv4 in_ out_ 20261107120000 no such minute", "bad"},
      {"20261108120060 IPv4 in_ out_ 20261107120000 no such second", "bad"},
      {"20261108120000 IPv4 in_ out_ 20261107120000 a \x1b[2J escape", "bad"},
      {"20261108120000 IPv4 in_ out_ 20261107120000 caf\xc3\xa9", "bad"},
      {"20261108120000\tIPv4 in_ out_ 20261107120000 tab", "bad"},
  };
  for (const auto& tCase : kCases) {
    loss_events_t tEvents;
    ParseLossEvents(tCase.szLine, "in_", "out_", tEvents);
    const std::string szAs = tEvents.iMalformed == 1                              ? "bad"
                             : tEvents.tEvents.size() == 1                        ? "event"
                             : tEvents.iMalformed == 0 && tEvents.tEvents.empty() ? "other"
                                                                                  : "?";
    EXPECT_EQ(szAs, tCase.szAs) << tCase.szLine;
  }
}

TEST(LossEvents, KeepsTheStampsAndWhatWasFoundInOrder) {
  loss_events_t tEvents;
  ParseLossEvents(
      "\n20261108120000 IPv4 in_ out_ 20261107120000 saved counters restored\n  \n"
      "20261103010000 IPv4+IPv6 in_ out_ 20261102230000 table gone; counters reset",
      "in_", "out_", tEvents);
  ASSERT_EQ(tEvents.tEvents.size(), 2u);
  EXPECT_EQ(tEvents.iMalformed, 0);
  EXPECT_EQ(tEvents.tEvents[0].szFound, "20261108120000");
  EXPECT_EQ(tEvents.tEvents[0].szLastGood, "20261107120000");
  EXPECT_EQ(tEvents.tEvents[0].szWhat, "saved counters restored");
  EXPECT_EQ(tEvents.tEvents[1].szFound, "20261103010000");
  EXPECT_EQ(tEvents.tEvents[1].szLastGood, "20261102230000");
  EXPECT_EQ(tEvents.tEvents[1].szWhat, "table gone; counters reset");
}

// A case a line: what the folder holds under the events file's name, and what becomes of it.
TEST(LossEvents, ReadsOnlyARegularFileOfBoundedSize) {
  const std::string szLine = "20261108120000 IPv4 in_ out_ 20261107120000 chains gone\n";
  const struct {
    const char* szHolds;
    loss_events_outcome_t eOutcome;
    std::size_t iEvents;
  } kCases[] = {
      {"nothing", loss_events_outcome_t::kAbsent, 0},
      {"file", loss_events_outcome_t::kRead, 1},
      {"link", loss_events_outcome_t::kSymlink, 0},
      {"folder", loss_events_outcome_t::kNotAFile, 0},
      {"large", loss_events_outcome_t::kTooLarge, 0},
      {"fifo", loss_events_outcome_t::kNotAFile, 0},
  };
  for (const auto& tCase : kCases) {
    const temp_dir_t tDir;
    const std::string szPath = tDir.szPath + "/" + kLossEventsName;
    const std::string szHolds = tCase.szHolds;
    if (szHolds == "file") {
      tDir.Write(kLossEventsName, szLine);
    } else if (szHolds == "link") {
      const std::string szTarget = tDir.Write("elsewhere", szLine);
      ASSERT_EQ(symlink(szTarget.c_str(), szPath.c_str()), 0);
    } else if (szHolds == "folder") {
      ASSERT_EQ(mkdir(szPath.c_str(), 0755), 0);
    } else if (szHolds == "large") {
      std::string szText;
      while (static_cast<long long>(szText.size()) <= kMaxLossEventsBytes) {
        szText += szLine;
      }
      tDir.Write(kLossEventsName, szText);
    } else if (szHolds == "fifo") {
      ASSERT_EQ(mkfifo(szPath.c_str(), 0600), 0);
    }
    const loss_events_t tEvents = ReadLossEvents(tDir.szPath.c_str(), "in_", "out_");
    EXPECT_EQ(tEvents.eOutcome, tCase.eOutcome) << szHolds;
    EXPECT_EQ(tEvents.tEvents.size(), tCase.iEvents) << szHolds;
  }
}
