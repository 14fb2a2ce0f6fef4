// Tests of the run sequence: both passes over a snapshot folder, a case a line: what each says
// on standard error, what it leaves out (the status), the range and the snapshots it read.
#include "run/run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using files_t = std::vector<std::pair<std::string, std::string>>;

// Two hosts, both directions: a baseline the evening before and two days.
files_t MakeTwoDays() {
  return {
      {"in_20090424230000", MakeLogText(0, {{"10.0.0.1", "100"}, {"10.0.0.2", "200"}})},
      {"in_20090425120000", MakeLogText(0, {{"10.0.0.1", "300"}, {"10.0.0.2", "700"}})},
      {"in_20090426120000", MakeLogText(0, {{"10.0.0.1", "900"}, {"10.0.0.2", "800"}})},
      {"out_20090424230000", MakeLogText(1, {{"10.0.0.1", "10"}, {"10.0.0.2", "20"}})},
      {"out_20090425120000", MakeLogText(1, {{"10.0.0.1", "30"}, {"10.0.0.2", "70"}})},
      {"out_20090426120000", MakeLogText(1, {{"10.0.0.1", "90"}, {"10.0.0.2", "80"}})},
  };
}

files_t With(files_t tFiles, const std::string& szName, const std::string& szText) {
  for (auto& [szFile, szContents] : tFiles) {
    if (szFile == szName) {
      szContents = szText;
      return tFiles;
    }
  }
  tFiles.emplace_back(szName, szText);
  return tFiles;
}

files_t Without(files_t tFiles, const std::string& szPrefix) {
  std::erase_if(tFiles, [&](const auto& tFile) { return tFile.first.rfind(szPrefix, 0) == 0; });
  return tFiles;
}

std::string ReplaceDir(std::string szText, const std::string& szDir) {
  for (std::size_t iAt = szText.find("DIR"); iAt != std::string::npos;
       iAt = szText.find("DIR", iAt + szDir.size())) {
    szText.replace(iAt, 3, szDir);
  }
  return szText;
}

}  // namespace

TEST(RunPasses, SaysWhatEachPassLeftOutAndWhatLooksWrong) {
  const std::string kOutVanished =
      MakeLogText(1, {{"10.0.0.1", "90"}});  // 10.0.0.2's rule went away on the 26th
  const struct {
    const char* szCase;
    files_t tFiles;
    const char* szIn;
    const char* szOut;
    bool bAlone;
    date_number_t uiEnd;
    const char* szStderr;
    bool bIncomplete;
    bool bReadAny;
    date_number_t uiLatest;
    date_number_t uiFrom;  // the range of the snapshots accounted
    date_number_t uiTo;
    std::size_t iStamps;
  } kCases[] = {
      {"whole", MakeTwoDays(), "in_", "out_", false, 20090426, "", false, true, 20090426, 20090425,
       20090426, 4},
      {"no baseline", Without(Without(MakeTwoDays(), "in_20090424"), "out_20090424"), "in_", "out_",
       false, 20090426,
       "netreckon: no snapshot [in_] before the range: its first readings count whole, all the "
       "traffic since the counters were last reset\nnetreckon: no snapshot [out_] before the "
       "range: its first readings count whole, all the traffic since the counters were last "
       "reset\n",
       false, true, 20090426, 20090425, 20090426, 4},
      {"no outgoing", Without(MakeTwoDays(), "out_"), "in_", "out_", false, 20090426,
       "netreckon: no snapshot [out_] in [DIR] from 2009-04-25 to 2009-04-26\n", true, true,
       20090426, 20090425, 20090426, 2},
      {"nothing",
       {},
       "in_",
       "out_",
       false,
       20090426,
       "netreckon: no snapshot [in_] in [DIR] from 2009-04-25 to 2009-04-26\nnetreckon: no "
       "snapshot [out_] in [DIR] from 2009-04-25 to 2009-04-26\n",
       true,
       false,
       0,
       0,
       0,
       0},
      {"same prefixes", MakeTwoDays(), "in_", "IN_", false, 20090426,
       "netreckon: the incoming and outgoing prefixes are the same: every file is read as "
       "incoming and as outgoing\n",
       false, true, 20090426, 20090425, 20090426, 4},
      {"refused row",
       With(MakeTwoDays(), "in_20090426120000",
            MakeLogText(0, {{"10.0.0.1", "900"}, {"10.0.0.2", "8x0"}})),
       "in_", "out_", false, 20090426,
       "netreckon: refused 1 rows of [DIR/in_20090426120000]: not a counter row (fewer than eight "
       "columns, a byte counter that is no count, or a host column that is no address)\nnetreckon: "
       "host [10.0.0.2] is missing from every incoming snapshot from [in_20090426120000] on: "
       "its rule went away\n",
       true, true, 20090426, 20090425, 20090426, 4},
      {"unhooked",
       With(MakeTwoDays(), "out_20090426120000",
            "Chain NET_OUT (0 references)\n pkts bytes target prot opt in out source "
            "destination\n"),
       "in_", "out_", false, 20090426,
       "netreckon: [DIR/out_20090426120000] counted nothing since its chain was unhooked: its "
       "title says 0 references (set the chains up again)\nnetreckon: host [10.0.0.1] is missing "
       "from every outgoing snapshot from [out_20090426120000] on: its rule went "
       "away\nnetreckon: host [10.0.0.2] is missing from every outgoing snapshot from "
       "[out_20090426120000] on: its rule went away\n",
       true, true, 20090426, 20090425, 20090426, 4},
      {"vanished", With(MakeTwoDays(), "out_20090426120000", kOutVanished), "in_", "out_", false,
       20090426,
       "netreckon: host [10.0.0.2] is missing from every outgoing snapshot from "
       "[out_20090426120000] on: its rule went away\n",
       false, true, 20090426, 20090425, 20090426, 4},
      {"empty baseline", With(MakeTwoDays(), "in_20090424230000", MakeLogText(0, {})), "in_",
       "out_", false, 20090426,
       "netreckon: [DIR/in_20090424230000] holds no counter row: not taken as the "
       "baseline\nnetreckon: no snapshot [in_] before the range: its first readings count "
       "whole, all the traffic since the counters were last reset\n",
       false, true, 20090426, 20090425, 20090426, 4},
      {"stops early", MakeTwoDays(), "in_", "out_", false, 20090428,
       "netreckon: the snapshots stop on 2009-04-26, before the end date 2009-04-28\n", false, true,
       20090426, 20090425, 20090426, 4},
      {"swapped", MakeTwoDays(), "out_", "in_", false, 20090426,
       "netreckon: every incoming row of [out_] has the destination 0.0.0.0/0 or ::/0: the "
       "prefixes look swapped (incoming first, then outgoing)\n",
       false, true, 20090426, 20090425, 20090426, 4},
      {"incoming alone", Without(MakeTwoDays(), "out_"), "in_", "", true, 20090426,
       "netreckon: no outgoing prefix given: every snapshot of the directory is read as outgoing "
       "too\n",
       false, true, 20090426, 20090425, 20090426, 4},
  };
  for (const auto& tCase : kCases) {
    const temp_dir_t tDir;
    for (const auto& [szName, szText] : tCase.tFiles) {
      tDir.Write(szName, szText);
    }
    const run_request_t tRequest = {tDir.szPath.c_str(), tCase.szIn,   tCase.szOut, 20090425,
                                    tCase.uiEnd,         tCase.bAlone, 20261208};
    run_t tRun;
    testing::internal::CaptureStderr();
    RunPasses(tRequest, ListLogDirectory(tDir.szPath.c_str()), tRun);
    const std::string szStderr = testing::internal::GetCapturedStderr();
    EXPECT_EQ(szStderr, ReplaceDir(tCase.szStderr, tDir.szPath)) << tCase.szCase;
    EXPECT_EQ(tRun.bIncomplete, tCase.bIncomplete) << tCase.szCase;
    EXPECT_EQ(tRun.bReadAny, tCase.bReadAny) << tCase.szCase;
    EXPECT_EQ(tRun.uiLatestFileDate, tCase.uiLatest) << tCase.szCase;
    EXPECT_EQ(tRun.tRange.start_date, tCase.uiFrom) << tCase.szCase;
    EXPECT_EQ(tRun.tRange.end_date, tCase.uiTo) << tCase.szCase;
    EXPECT_EQ(tRun.tStamps.size(), tCase.iStamps) << tCase.szCase;
  }
}

TEST(RunPasses, ADirectoryThatCannotBeOpenedLeavesEverythingOut) {
  const temp_dir_t tDir;
  const std::string szMissing = tDir.szPath + "/missing";
  const run_request_t tRequest = {szMissing.c_str(), "in_", "out_",  20090425,
                                  20090426,          false, 20090427};
  run_t tRun;
  testing::internal::CaptureStderr();
  RunPasses(tRequest, ListLogDirectory(szMissing.c_str()), tRun);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Couldn't open the directory [" + szMissing + "]: No such file or directory\n");
  EXPECT_TRUE(tRun.bIncomplete);
  EXPECT_FALSE(tRun.bReadAny);
}

// A link in place of a snapshot is never followed, and leaves its day out.
TEST(RunPasses, ALinkInPlaceOfASnapshotIsSkipped) {
  const temp_dir_t tDir;
  for (const auto& [szName, szText] : MakeTwoDays()) {
    if (szName != "in_20090426120000") {
      tDir.Write(szName, szText);
    }
  }
  const std::string szTarget = tDir.Write("elsewhere", MakeLogText(0, {{"10.0.0.1", "5"}}));
  ASSERT_EQ(symlink(szTarget.c_str(), (tDir.szPath + "/in_20090426120000").c_str()), 0);
  const run_request_t tRequest = {
      tDir.szPath.c_str(), "in_", "out_", 20090425, 20090426, false, 20090427};
  run_t tRun;
  testing::internal::CaptureStderr();
  RunPasses(tRequest, ListLogDirectory(tDir.szPath.c_str()), tRun);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "netreckon: skipped [" + tDir.szPath +
                "/in_20090426120000]: a symbolic link is never followed\n");
  EXPECT_TRUE(tRun.bIncomplete);
  EXPECT_EQ(tRun.tStamps.size(), 3U);
}

// Messages show control characters and backslashes escaped, so that a name cannot drive the
// terminal.
TEST(RunPasses, ShowsTextWithControlsEscaped) {
  const struct {
    const char* szText;
    const char* szShown;
  } kCases[] = {
      {"", ""},
      {"plain/dir_", "plain/dir_"},
      {"\x1b[2J", "\\x1b[2J"},
      {"a\\b", "a\\\\b"},
      {"\n", "\\x0a"},
      {"\x7f", "\\x7f"},
      {"\x1f ~", "\\x1f ~"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(ShowText(tCase.szText), tCase.szShown) << tCase.szShown;
  }
}

// An end date of today: snapshots that stop before it are said as for a day that has passed;
// an end date after today is not said (today's snapshots may still come).
TEST(RunPasses, SaysSnapshotsThatStopBeforeAnEndDateOfToday) {
  const struct {
    date_number_t uiToday;
    const char* szStderr;
  } kCases[] = {
      {20090426, "netreckon: the snapshots stop on 2009-04-25, before the end date 2009-04-26\n"},
      {20090427, "netreckon: the snapshots stop on 2009-04-25, before the end date 2009-04-26\n"},
      {20090425, ""},
  };
  for (const auto& tCase : kCases) {
    const temp_dir_t tDir;
    for (const auto& [szName, szText] : MakeTwoDays()) {
      if (szName.find("20090426") == std::string::npos) {
        tDir.Write(szName, szText);
      }
    }
    const run_request_t tRequest = {tDir.szPath.c_str(), "in_", "out_", 20090425, 20090426, false,
                                    tCase.uiToday};
    run_t tRun;
    testing::internal::CaptureStderr();
    RunPasses(tRequest, ListLogDirectory(tDir.szPath.c_str()), tRun);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), tCase.szStderr) << tCase.uiToday;
    EXPECT_FALSE(tRun.bIncomplete);
    EXPECT_EQ(tRun.uiLatestFileDate, 20090425U);
  }
}

// Hosts whose rules went away are named up to twenty; the rest are counted in one line.
TEST(RunPasses, NamesTwentyVanishedHostsAndCountsTheRest) {
  for (const int iVanished : {20, 21, 23}) {
    const temp_dir_t tDir;
    std::vector<std::pair<std::string, std::string>> tAll;
    for (int iHost = 1; iHost <= iVanished + 1; ++iHost) {
      tAll.emplace_back("10.0.0." + std::to_string(iHost), std::to_string(iHost * 100));
    }
    tDir.Write("in_20090425120000", MakeLogText(0, tAll));
    tDir.Write("in_20090426120000", MakeLogText(0, {tAll.front()}));
    tDir.Write("out_20090425120000", MakeLogText(1, {tAll.front()}));
    const run_request_t tRequest = {
        tDir.szPath.c_str(), "in_", "out_", 20090425, 20090426, false, 20090427};
    run_t tRun;
    testing::internal::CaptureStderr();
    RunPasses(tRequest, ListLogDirectory(tDir.szPath.c_str()), tRun);
    std::string szWant;
    for (int iHost = 2; iHost <= std::min(iVanished, 20) + 1; ++iHost) {
      szWant += "netreckon: host [10.0.0." + std::to_string(iHost) +
                "] is missing from every incoming snapshot from [in_20090426120000] on: its "
                "rule went away\n";
    }
    if (iVanished > 20) {
      szWant += "netreckon: " + std::to_string(iVanished - 20) +
                " more hosts are missing from the later snapshots\n";
    }
    const std::string szStderr = testing::internal::GetCapturedStderr();
    // The baseline notices come first; the vanished hosts follow the incoming pass's files.
    EXPECT_NE(szStderr.find(szWant), std::string::npos) << iVanished << "\n" << szStderr;
    EXPECT_EQ(szStderr.find("host [10.0.0." + std::to_string(std::min(iVanished, 20) + 2) + "]"),
              std::string::npos)
        << iVanished;
  }
}
