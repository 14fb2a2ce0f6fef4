// Tests of choosing a direction's logs and its baseline from listings in any order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logs/logs.h"
#include "time_zone.h"

namespace {

// Each planned read as "U name flag" (usage table) or "I name flag" (init table).
std::vector<std::string> Scan(const std::vector<std::string_view>& tNames, const char* szPrefix,
                              const char* szStart, const char* szEnd) {
  const dir_listing_t tListing = MakeLogListing(tNames);
  const scan_plan_t tPlan = ScanLogListing(tListing, szPrefix, szStart, szEnd);
  std::vector<std::string> tReads;
  for (const planned_log_t& tLog : tPlan.tLogs) {
    tReads.push_back(std::string(tLog.bBaseline ? "I " : "U ") + tLog.szName + " " +
                     std::to_string(tLog.iLogFileIsOnANewDate));
  }
  return tReads;
}

using reads_t = std::vector<std::string>;

}  // namespace

TEST(DirScan, ChoosesTheRangeAndTheBaseline) {
  const TimeZone tZone("UTC");
  const std::string_view k24 = "in_20090424000000", k25 = "in_20090425000000",
                         k26 = "in_20090426000000", k27 = "in_20090427000000",
                         k28 = "in_20090428000000";
  const struct {
    const char* szCase;
    std::vector<std::string_view> tNames;
    const char* szStart;
    const char* szEnd;
    reads_t tExpected;
  } kCases[] = {
      {"ascending",
       {k24, k25, k26, k27, k28},
       "20090425",
       "20090427",
       {"U in_20090425000000 1", "I in_20090424000000 1", "U in_20090426000000 1",
        "U in_20090427000000 1"}},
      {"end before start",
       {k24, k25, k26, k27, k28},
       "20090427",
       "20090425",
       {"U in_20090425000000 1", "I in_20090424000000 1", "U in_20090427000000 1"}},
      {"nothing included reads nothing", {k24, k25}, "20100101", "20100102", {}},
      {"other prefixes and case",
       {"out_20090424000000", "IN_20090424000000", k25, "x"},
       "20090425",
       "20090425",
       {"U in_20090425000000 1", "I IN_20090424000000 1"}},
      {"an end day without snapshots ends the walk at its date",
       {"in_20090424000000", "in_20090425000000", "in_20090427000000", "in_20090428000000"},
       "20090425",
       "20090426",
       {"U in_20090425000000 1", "I in_20090424000000 1"}},
      {"an end prefix without a match still walks on",
       {"in_20090425000000", "in_20090426000000", "in_20090427000000"},
       "20090425",
       "2009042",
       {"U in_20090425000000 1", "U in_20090426000000 1", "U in_20090427000000 1"}},
      {"an end date with an hour keeps walking to its match",
       {"in_20090425000000", "in_20090426000000", "in_20090426120000"},
       "20090425",
       "2009042612",
       {"U in_20090425000000 1", "U in_20090426000000 1", "U in_20090426120000 0"}},
      {"a start match outside the range is included",
       {"in_20090425_garbage_after_it"},
       "20090425",
       "20090425",
       {"U in_20090425_garbage_after_it 1"}},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(Scan(tCase.tNames, "in_", tCase.szStart, tCase.szEnd), tCase.tExpected)
        << tCase.szCase;
  }
}

TEST(DirScan, FlagsTheFirstFileOfEachDay) {
  const TimeZone tZone("UTC");
  EXPECT_EQ(Scan({"in_20090424230000", "in_20090425000000", "in_20090425120000",
                  "in_20090426000000", "in_20090426120000"},
                 "in_", "20090425", "20090426"),
            (reads_t{"U in_20090425000000 1", "I in_20090424230000 1", "U in_20090425120000 0",
                     "U in_20090426000000 1", "U in_20090426120000 0"}));
}

TEST(DirScan, ChoosesAQuarterOrAYear) {
  const TimeZone tZone("UTC");
  EXPECT_EQ(Scan({"in_20261231230000", "in_20270101000000", "in_20270215000000",
                  "in_20270331230000", "in_20270401000000"},
                 "in_", "20270101", "20270331"),
            (reads_t{"U in_20270101000000 1", "I in_20261231230000 1", "U in_20270215000000 1",
                     "U in_20270331230000 1"}));
}

TEST(DirScan, AnEmptyPrefixConsidersEveryEntry) {
  const TimeZone tZone("UTC");
  EXPECT_EQ(Scan({".", "..", "in_20090425000000"}, "", "20090425", "20090425"),
            (reads_t{"U in_20090425000000 1", "I .. 1"}));
}

TEST(DirScan, ShortOrOddFiltersReadNothingOutsideThem) {
  const TimeZone tZone("UTC");
  EXPECT_EQ(Scan({"in_20090425000000"}, "in_", "2009", "x"), (reads_t{"U in_20090425000000 1"}));
  // An empty filter leaves only the prefix to match, which every entry does.
  EXPECT_EQ(Scan({"in_20090425000000"}, "in_", "", ""), (reads_t{"U in_20090425000000 1"}));
  const std::string szLong(2000, '9');
  EXPECT_EQ(Scan({"in_20090425000000"}, szLong.c_str(), "20090425", "20090425"), (reads_t{}));
}

TEST(DirListing, ListsInByteOrderWithDotEntries) {
  const std::filesystem::path tDir =
      std::filesystem::path(testing::TempDir()) / "netreckon-listing";
  std::filesystem::remove_all(tDir);
  std::filesystem::create_directories(tDir);
  for (const char* szName : {"in_20090426", "in_20090424", "B", "a", "in_20090425", "_x"}) {
    std::ofstream(tDir / szName).put('\n');
  }
  const dir_listing_t tListing = ListLogDirectory(tDir.c_str());
  std::vector<std::string> tNames;
  for (std::size_t iIdx = 0; iIdx < tListing.tOffsets.size(); ++iIdx) {
    tNames.emplace_back(GetListingName(tListing, iIdx));
  }
  EXPECT_EQ(tNames, (std::vector<std::string>{".", "..", "B", "_x", "a", "in_20090424",
                                              "in_20090425", "in_20090426"}));
  std::filesystem::remove_all(tDir);
  EXPECT_FALSE(ListLogDirectory(tDir.c_str()).bOpened);
}
