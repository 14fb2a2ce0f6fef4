// Tests of choosing a direction's logs and its baseline from listings in any order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logs/logs.h"

namespace {

// The range's snapshots as "U name flag", then the baseline candidates as "B name", then
// "misnamed N first" when names were left out.
std::vector<std::string> Scan(const std::vector<std::string_view>& tNames, const char* szPrefix,
                              date_number_t uiStart, date_number_t uiEnd) {
  const dir_listing_t tListing = MakeLogListing(tNames);
  const scan_plan_t tPlan = ScanLogListing(tListing, szPrefix, uiStart, uiEnd);
  std::vector<std::string> tReads;
  for (const planned_log_t& tLog : tPlan.tLogs) {
    tReads.push_back(std::string("U ") + tLog.szName + " " +
                     std::to_string(tLog.iLogFileIsOnANewDate));
  }
  for (const planned_log_t& tLog : tPlan.tBaselines) {
    tReads.push_back(std::string("B ") + tLog.szName);
  }
  if (tPlan.iMisnamed > 0) {
    tReads.push_back("misnamed " + std::to_string(tPlan.iMisnamed) + " " + tPlan.szFirstMisnamed);
  }
  return tReads;
}

using reads_t = std::vector<std::string>;

}  // namespace

TEST(DirScan, ChoosesTheRangeAndTheBaselineCandidates) {
  const std::string_view k24 = "in_20090424000000", k25 = "in_20090425000000",
                         k26 = "in_20090426000000", k27 = "in_20090427000000",
                         k28 = "in_20090428000000";
  const struct {
    const char* szCase;
    std::vector<std::string_view> tNames;
    date_number_t uiStart;
    date_number_t uiEnd;
    reads_t tExpected;
  } kCases[] = {
      {"ascending",
       {k24, k25, k26, k27, k28},
       20090425,
       20090427,
       {"U in_20090425000000 1", "U in_20090426000000 1", "U in_20090427000000 1",
        "B in_20090424000000"}},
      {"descending and shuffled listings give the same",
       {k28, k26, k24, k27, k25},
       20090425,
       20090427,
       {"U in_20090425000000 1", "U in_20090426000000 1", "U in_20090427000000 1",
        "B in_20090424000000"}},
      {"every earlier snapshot is a candidate, the newest first",
       {"in_20090420000000", k24, "in_20090424230000", k25},
       20090425,
       20090425,
       {"U in_20090425000000 1", "B in_20090424230000", "B in_20090424000000",
        "B in_20090420000000"}},
      {"nothing in the range",
       {k24, k25},
       20100101,
       20100102,
       {"B in_20090425000000", "B in_20090424000000"}},
      {"other prefixes, and the prefix in any case in time order",
       {"out_20090424000000", "IN_20090425120000", k25, "x"},
       20090425,
       20090425,
       {"U in_20090425000000 1", "U IN_20090425120000 0"}},
      {"an end day without snapshots",
       {k24, k25, k27, k28},
       20090425,
       20090426,
       {"U in_20090425000000 1", "B in_20090424000000"}},
      {"names not shaped as snapshots are counted, not read",
       {"in_20090425_garbage_after_it", "in_20090425-99999999120000", "in_2009042512000",
        "in_200904251200000", "in_20091301000000", "in_20090229000000", "in_19691231000000", k25},
       20090425,
       20090425,
       {"U in_20090425000000 1", "misnamed 7 in_20090425_garbage_after_it"}},
      {"six characters of any kind after the date",
       {"in_20090425-12:00", "in_20090425.12.00"},
       20090425,
       20090425,
       {"U in_20090425-12:00 1", "U in_20090425.12.00 0"}},
      {"times written HHMMSS and _HH-MM in the order of the times",
       {"in_20240229120000", "in_20240229_23-59", "in_20240301130000", "in_20240301_09-00",
        "in_20240301_13-30"},
       20240301,
       20240301,
       {"U in_20240301_09-00 1", "U in_20240301130000 0", "U in_20240301_13-30 0",
        "B in_20240229_23-59", "B in_20240229120000"}},
      {"one time in both styles in byte order; an unreadable time keeps its place",
       {"in_20240301_9-000", "in_20240301_09-00", "in_20240301120000", "in_20240301090000"},
       20240301,
       20240301,
       {"U in_20240301090000 1", "U in_20240301_09-00 0", "U in_20240301120000 0",
        "U in_20240301_9-000 0"}},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(Scan(tCase.tNames, "in_", tCase.uiStart, tCase.uiEnd), tCase.tExpected)
        << tCase.szCase;
  }
}

TEST(DirScan, ReadsTheTimeOfEitherStyle) {
  const struct {
    const char* szStamp;
    const char* szTime;
  } kCases[] = {
      {"20240301130000", "20240301130000"}, {"20240301_09-00", "20240301090000"},
      {"20240301_23-59", "20240301235900"}, {"20240301_9-000", "20240301_9-000"},
      {"20240301_0a-00", "20240301_0a-00"}, {"20240301_09-0a", "20240301_09-0a"},
      {"20240301_09_00", "20240301_09_00"}, {"20240301-09-00", "20240301-09-00"},
  };
  for (const auto& tCase : kCases) {
    const snapshot_time_t tTime = ReadSnapshotTime(tCase.szStamp);
    EXPECT_EQ(std::string(tTime.data(), tTime.size()), tCase.szTime) << tCase.szStamp;
  }
}

TEST(DirScan, FlagsTheFirstFileOfEachDay) {
  EXPECT_EQ(Scan({"in_20090424230000", "in_20090425000000", "in_20090425120000",
                  "in_20090426000000", "in_20090426120000"},
                 "in_", 20090425, 20090426),
            (reads_t{"U in_20090425000000 1", "U in_20090425120000 0", "U in_20090426000000 1",
                     "U in_20090426120000 0", "B in_20090424230000"}));
}

TEST(DirScan, ChoosesAQuarterOrAYear) {
  EXPECT_EQ(Scan({"in_20261231230000", "in_20270101000000", "in_20270215000000",
                  "in_20270331230000", "in_20270401000000"},
                 "in_", 20270101, 20270331),
            (reads_t{"U in_20270101000000 1", "U in_20270215000000 1", "U in_20270331230000 1",
                     "B in_20261231230000"}));
}

TEST(DirScan, AnEmptyPrefixTakesEveryNameThatEndsAsASnapshot) {
  EXPECT_EQ(Scan({".", "..", "in_20090425000000", "out_20090424000000", "notes.txt"}, "", 20090425,
                 20090425),
            (reads_t{"U in_20090425000000 1", "B out_20090424000000"}));
}

TEST(DirScan, ALongPrefixMatchesNothing) {
  const std::string szLong(2000, '9');
  EXPECT_EQ(Scan({"in_20090425000000"}, szLong.c_str(), 20090425, 20090425), (reads_t{}));
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

// Names that share their first bytes or end within them, and bytes above ASCII: byte order
// all the same, each name whole and with its own type.
TEST(DirListing, OrdersNamesAlikeInTheirFirstBytes) {
  const std::filesystem::path tDir = std::filesystem::path(testing::TempDir()) / "netreckon-alike";
  std::filesystem::remove_all(tDir);
  std::filesystem::create_directories(tDir);
  const char* const kNames[] = {
      "traffic_out_20261101000005",
      "traffic_out_20261101000000",
      "traffic_out_2026110100000",
      "abcdefghijklmnopqrstuvwxy",
      "abcdefghijklmnopqrstuvw",
      "abcdefghijklmnopqrstuvwx",
      "traffic_in_20261101000000",
      "traffic_in_2026",
      "\xc3\xa9t\xc3\xa9",
      "traffic_in_20261101000000x",
      "Z",
  };
  for (const char* szName : kNames) {
    std::ofstream(tDir / szName).put('\n');
  }
  std::filesystem::create_directories(tDir / "traffic_in_20261101000000_");
  const dir_listing_t tListing = ListLogDirectory(tDir.c_str());
  std::string szNames;
  std::string szTypes;
  for (std::size_t iIdx = 0; iIdx < tListing.tOffsets.size(); ++iIdx) {
    const char* szName = GetListingName(tListing, iIdx);
    szNames += szName;
    szNames += '\n';
    szTypes += IsListedAsFile(szName) ? 'f' : '-';
  }
  EXPECT_EQ(szNames,
            ".\n..\nZ\nabcdefghijklmnopqrstuvw\nabcdefghijklmnopqrstuvwx\n"
            "abcdefghijklmnopqrstuvwxy\ntraffic_in_2026\ntraffic_in_20261101000000\n"
            "traffic_in_20261101000000_\ntraffic_in_20261101000000x\n"
            "traffic_out_2026110100000\ntraffic_out_20261101000000\n"
            "traffic_out_20261101000005\n\xc3\xa9t\xc3\xa9\n");
  // A file system that gives no types lists none as a file.
  EXPECT_TRUE(szTypes == "--ffffff-fffff" || szTypes == "--------------") << szTypes;
  std::filesystem::remove_all(tDir);
}

TEST(DirListing, SaysWhichEntriesWereRegularFiles) {
  const std::filesystem::path tDir = std::filesystem::path(testing::TempDir()) / "netreckon-types";
  std::filesystem::remove_all(tDir);
  std::filesystem::create_directories(tDir / "in_20090425000000");
  std::ofstream(tDir / "in_20090425010000").put('\n');
  std::filesystem::create_symlink("in_20090425010000", tDir / "in_20090425020000");
  const dir_listing_t tListing = ListLogDirectory(tDir.c_str());
  std::vector<std::string> tFiles;
  for (std::size_t iIdx = 0; iIdx < tListing.tOffsets.size(); ++iIdx) {
    if (IsListedAsFile(GetListingName(tListing, iIdx))) {
      tFiles.emplace_back(GetListingName(tListing, iIdx));
    }
  }
  // A file system that gives no types lists none as a file: each is then looked at first.
  EXPECT_TRUE(tFiles.empty() || tFiles == std::vector<std::string>{"in_20090425010000"});
  const std::string_view aNames[] = {"in_20090425010000"};
  EXPECT_FALSE(IsListedAsFile(GetListingName(MakeLogListing(aNames), 0)));
  std::filesystem::remove_all(tDir);
}

// The listing's own sort against strcmp over sets of names shaped as directories hold them:
// a shared prefix, names ending within others, bytes above ASCII, names alike to great depth.
TEST(DirListing, SortsNamesAsStrcmpDoes) {
  const auto Year = [](const char* szPrefix, int iStep) {
    std::vector<std::string> tNames;
    for (int iIdx = 0; iIdx < 500; ++iIdx) {
      const int iMixed = (iIdx * iStep) % 500;
      tNames.push_back(szPrefix + std::to_string(20260101 + iMixed % 28) +
                       std::to_string(100000 + iMixed));
    }
    return tNames;
  };
  const auto Deep = [](std::size_t iCount) {
    std::vector<std::string> tNames;
    for (std::size_t iIdx = 0; iIdx < iCount; ++iIdx) {
      tNames.push_back(std::string(250, 'a') + static_cast<char>('z' - iIdx % 26) +
                       static_cast<char>(0x80 + iIdx % 100));
    }
    return tNames;
  };
  const struct {
    const char* szCase;
    std::vector<std::string> tNames;
  } kCases[] = {
      {"none", {}},
      {"one", {"x"}},
      {"dots", {"..", "in_1", ".", "IN_1"}},
      {"ends within", {"ab", "abc", "a", "abcd", "ab", "b", "abc"}},
      {"above ASCII", {"\xc3\xa9", "z", "\x7f", "\x80", "\xff", "Z", "\x01"}},
      {"a year, one prefix", Year("traffic_in_", 7)},
      {"a year, two prefixes",
       [&Year] {
         std::vector<std::string> tNames = Year("traffic_out_", 11);
         const std::vector<std::string> tIn = Year("traffic_in_", 13);
         tNames.insert(tNames.begin() + 100, tIn.begin(), tIn.end());
         return tNames;
       }()},
      {"alike to great depth", Deep(400)},
      {"alike past any directory's names",
       [] {
         std::vector<std::string> tNames;
         for (int iIdx = 0; iIdx < 60; ++iIdx) {
           tNames.push_back(std::string(300, 'q') + std::to_string((iIdx * 37) % 60));
         }
         return tNames;
       }()},
      {"ending at each byte, past eight and sixteen",
       [] {
         const std::string szLong = "traffic_in_20260101120000";
         std::vector<std::string> tNames;
         for (const char* szEnd : {"", "a", "\xff", "0"}) {
           for (std::size_t iLength = 25; iLength > 0; --iLength) {
             tNames.push_back(szLong.substr(0, iLength) + szEnd);
           }
         }
         return tNames;
       }()},
      {"equal names", std::vector<std::string>(40, "traffic_in_20260101000000")},
  };
  for (const auto& tCase : kCases) {
    std::vector<char> tBytes;
    std::vector<std::uint32_t> tOffsets;
    for (const std::string& szName : tCase.tNames) {
      tOffsets.push_back(static_cast<std::uint32_t>(tBytes.size()));
      tBytes.insert(tBytes.end(), szName.begin(), szName.end());
      tBytes.push_back('\0');
    }
    std::vector<std::uint32_t> tExpected = tOffsets;
    std::stable_sort(tExpected.begin(), tExpected.end(),
                     [&tBytes](std::uint32_t iLeft, std::uint32_t iRight) {
                       return std::strcmp(tBytes.data() + iLeft, tBytes.data() + iRight) < 0;
                     });
    SortNameOffsets(tOffsets, tBytes.data());
    std::vector<std::string> tSorted;
    std::vector<std::string> tWanted;
    for (std::size_t iIdx = 0; iIdx < tOffsets.size(); ++iIdx) {
      tSorted.emplace_back(tBytes.data() + tOffsets[iIdx]);
      tWanted.emplace_back(tBytes.data() + tExpected[iIdx]);
    }
    EXPECT_EQ(tSorted, tWanted) << tCase.szCase;
    std::sort(tOffsets.begin(), tOffsets.end());
    std::sort(tExpected.begin(), tExpected.end());
    EXPECT_EQ(tOffsets, tExpected) << tCase.szCase << ": every name once";
  }
}
