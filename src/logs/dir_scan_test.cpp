// Tests of choosing a direction's logs and its baseline from listings in any order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logs/logs.h"
#include "time_zone.h"

namespace {

struct recorder_t {
  const host_table_t* pUsage;
  std::vector<std::string> tReads;
};

// Records each read as "U name flag" (usage table) or "I name flag" (init table).
void RecordRead(void* pContext, const char* /*szLogPath*/, const char* szLogFile,
                host_table_t& tTable, int32_t /*iDirection*/, int32_t iLogFileIsOnANewDate) {
  auto* pRecorder = static_cast<recorder_t*>(pContext);
  pRecorder->tReads.push_back(std::string(&tTable == pRecorder->pUsage ? "U " : "I ") + szLogFile +
                              " " + std::to_string(iLogFileIsOnANewDate));
}

std::vector<std::string> Scan(const std::vector<std::string_view>& tNames, const char* szPrefix,
                              const char* szStart, const char* szEnd) {
  static host_table_t s_tUsage;
  static host_table_t s_tInit;
  recorder_t tRecorder = {&s_tUsage, {}};
  const dir_listing_t tListing = MakeLogListing(tNames);
  ScanLogListing(tListing, "/logs/", szPrefix, 0, szStart, szEnd, s_tUsage, s_tInit, RecordRead,
                 &tRecorder);
  return tRecorder.tReads;
}

using reads_t = std::vector<std::string>;

}  // namespace

TEST(DirScan, ChoosesTheRangeAndTheBaselineInAnyOrder) {
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
      {"descending",
       {k28, k27, k26, k25, k24},
       "20090425",
       "20090427",
       {"U in_20090427000000 1", "I in_20090428000000 1", "U in_20090426000000 1",
        "U in_20090425000000 1"}},
      {"shuffled",
       {k25, k28, k26, k27, k24},
       "20090425",
       "20090427",
       {"U in_20090425000000 1", "U in_20090426000000 1", "U in_20090427000000 1"}},
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
                  "in_20090426000000", "in_20090425130000", "in_20090426120000"},
                 "in_", "20090425", "20090426"),
            (reads_t{"U in_20090425000000 1", "I in_20090424230000 1", "U in_20090425120000 0",
                     "U in_20090426000000 1", "U in_20090425130000 1", "U in_20090426120000 1"}));
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

TEST(DirScan, AnUnopenedListingSaysSoAndReadsNothing) {
  host_table_t tUsage = {};
  host_table_t tInit = {};
  recorder_t tRecorder = {&tUsage, {}};
  dir_listing_t tListing;
  tListing.iOpenError = ENOENT;
  testing::internal::CaptureStderr();
  ScanLogListing(tListing, "/nowhere/", "in_", 0, "20090425", "20090425", tUsage, tInit, RecordRead,
                 &tRecorder);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Couldn't open the directory: No such file or directory\n");
  EXPECT_TRUE(tRecorder.tReads.empty());
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
