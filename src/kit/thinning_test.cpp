// Thinning: a case a line, the snapshots of one prefix (stamp:reading of 10.0.0.1[:reading of
// 10.0.0.2], "-" no row) and the stamps named for deletion; then listings that are not plain.
#include "kit/thinning.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

constexpr const char* kTitles =
    "Chain NETRECKON_IN (6 references)\n"
    "    pkts      bytes target     prot opt in     out     source               destination\n";

std::string Row(const std::string& szBytes, int iHost) {
  char aRow[160];
  std::snprintf(aRow, sizeof aRow,
                "       1 %10s            all  --  *      *       0.0.0.0/0            10.0.0.%d\n",
                szBytes.c_str(), iHost);
  return aRow;
}

// The stamps named for deletion, each followed by a blank.
std::string Thin(const std::string& szReadings) {
  thinning_t tThinning;
  std::istringstream tItems(szReadings);
  std::string szItem;
  while (tItems >> szItem) {
    std::istringstream tFields(szItem);
    std::string szStamp;
    std::getline(tFields, szStamp, ':');
    std::string szText = kTitles;
    std::string szReading;
    for (int iHost = 1; std::getline(tFields, szReading, ':'); ++iHost) {
      if (szReading != "-") {
        szText += Row(szReading, iHost);
      }
    }
    AddThinSnapshot(tThinning, "logs/traffic_in_" + szStamp, szText);
  }
  std::string szGone;
  std::istringstream tNames(tThinning.szDeletable);
  std::string szName;
  while (std::getline(tNames, szName)) {
    szGone += szName.substr(szName.size() - 14) + " ";
  }
  return szGone;
}

struct thin_case_t {
  const char* szReadings;
  const char* szGone;
};

// Six snapshots of one day, two hosts growing; the fourth one's text replaced.
std::string ThinWithFourth(const std::string& szFourth) {
  thinning_t tThinning;
  for (int iHour = 1; iHour <= 6; ++iHour) {
    char aStamp[16];
    std::snprintf(aStamp, sizeof aStamp, "202611010%d0000", iHour);
    const std::string szText =
        iHour == 4 ? szFourth
                   : kTitles + Row(std::to_string(iHour), 1) + Row(std::to_string(iHour), 2);
    AddThinSnapshot(tThinning, std::string("traffic_in_") + aStamp, szText);
  }
  return tThinning.szDeletable;
}

}  // namespace

TEST(Thinning, KeepsWhatAReportNeeds) {
  const thin_case_t kCases[] = {
      {"20261101060000:10 20261101120000:20 20261101180000:30 20261102060000:40 "
       "20261102180000:50",
       "20261101120000 20261102060000 "},
      {"20261101060000:10 20261101120000:20 20261101180000:5 20261101230000:8", ""},
      {"20261101060000:10 20261101120000:0 20261101180000:5 20261101230000:8", "20261101180000 "},
      {"20261101060000:10 20261101120000:10 20261101180000:10 20261101230000:12",
       "20261101120000 20261101180000 "},
      {"20261101060000:10:5 20261101120000:20 20261101180000:30:6 20261101230000:40:7", ""},
      {"20261101060000:0 20261101120000:0 20261101180000:7 20261101230000:9",
       "20261101120000 20261101180000 "},
      {"20261101060000:10 20261101120000:9000000000000000000 "
       "20261101180000:10000000000000000000 20261101230000:10000000000000000001",
       "20261101120000 20261101180000 "},
      {"20261101060000:10 20261101120000:20 20261101180000:30 20261101200000:25 "
       "20261101230000:40",
       "20261101120000 "},
      {"20261101060000:10", ""},
      {"20261101060000:-:5 20261101120000:10:6 20261101180000:20:7 20261101230000:30:8",
       "20261101180000 "},
      {"20261101060000:1:1 20261101080000:2:2 20261101100000:3:2 20261101120000:3:1 "
       "20261101140000:4:3 20261101160000:5:3 20261101230000:6:4",
       "20261101080000 20261101140000 20261101160000 "},
      {"20261101060000:5 20261101120000:3 20261101180000:4 20261101230000:6", "20261101180000 "},
      {"20261101060000:5 20261101120000:6 20261101180000:6 20261101230000:5", "20261101120000 "},
  };
  for (const thin_case_t& tCase : kCases) {
    EXPECT_EQ(Thin(tCase.szReadings), tCase.szGone) << tCase.szReadings;
  }
}

TEST(Thinning, ASnapshotNotPlainStaysWithItsNeighbours) {
  const std::string szRows = Row("4", 1) + Row("4", 2);
  EXPECT_EQ(ThinWithFourth(kTitles + szRows),
            "traffic_in_20261101020000\ntraffic_in_20261101030000\ntraffic_in_20261101040000\n"
            "traffic_in_20261101050000\n");
  const struct {
    const char* szWhat;
    std::string szText;
  } kCases[] = {
      {"a rule listed twice", kTitles + szRows + Row("4", 2)},
      {"another rule", kTitles + Row("4", 1) + Row("4", 3)},
      {"rules in another order", kTitles + Row("4", 2) + Row("4", 1)},
      {"a host gone", kTitles + Row("4", 1)},
      {"no rows", kTitles},
      {"an unhooked chain",
       "Chain NETRECKON_IN (0 references)\n" + std::string(kTitles).substr(34) + szRows},
      {"no chain title", std::string(kTitles).substr(34) + szRows},
      {"no column titles", "Chain NETRECKON_IN (6 references)\ntarget\n" + szRows},
      {"a cut row", kTitles + szRows + "       1 4 all --\n"},
      {"a counter that is no number", kTitles + Row("4", 1) + Row("4x", 2)},
      // What the report refuses, or reads otherwise than as text, names the file it is in.
      {"a counter with a leading zero", kTitles + Row("4", 1) + Row("04", 2)},
      {"a counter of 2^64", kTitles + Row("4", 1) + Row("18446744073709551616", 2)},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(ThinWithFourth(tCase.szText), "traffic_in_20261101020000\n") << tCase.szWhat;
  }
}

TEST(Thinning, ColumnsWidenedByTheCountersAreTheSameRules) {
  const std::string szWide = std::string(kTitles) +
                             "       1          4 all  --  *      *       0.0.0.0/0            "
                             "10.0.0.1\n" +
                             "       1 4  all  --  *  *  0.0.0.0/0  10.0.0.2\n";
  EXPECT_EQ(ThinWithFourth(szWide),
            "traffic_in_20261101020000\ntraffic_in_20261101030000\ntraffic_in_20261101040000\n"
            "traffic_in_20261101050000\n");
  // A last line without its line break is a row all the same.
  const std::string szRows = Row("4", 1) + Row("4", 2);
  EXPECT_EQ(ThinWithFourth(kTitles + szRows.substr(0, szRows.size() - 1)),
            "traffic_in_20261101020000\ntraffic_in_20261101030000\ntraffic_in_20261101040000\n"
            "traffic_in_20261101050000\n");
}

TEST(Thinning, RowsTheReportRefusesInEverySnapshotKeepThemAll) {
  const struct {
    const char* szWhat;
    const char* szRow;
  } kCases[] = {
      {"a host that is no address",
       "       1 %10d all  --  *      *       0.0.0.0/0            =10.0.0.2\n"},
      {"a source that is no address",
       "       1 %10d all  --  *      *       *0.0.0.0/0           10.0.0.2\n"},
  };
  for (const auto& tCase : kCases) {
    thinning_t tThinning;
    for (int iHour = 1; iHour <= 6; ++iHour) {
      char aStamp[16];
      std::snprintf(aStamp, sizeof aStamp, "202611010%d0000", iHour);
      char aRow[160];
      std::snprintf(aRow, sizeof aRow, tCase.szRow, iHour);
      AddThinSnapshot(tThinning, std::string("traffic_in_") + aStamp,
                      kTitles + Row(std::to_string(iHour), 1) + aRow);
    }
    EXPECT_EQ(tThinning.szDeletable, "") << tCase.szWhat;
  }
}
