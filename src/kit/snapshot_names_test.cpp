// The kit's choices among its log folder's files: a case a line, the arguments, then the
// lines chosen.
#include "kit/snapshot_names.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kNames =
    "traffic_in_20261102120000\n"
    "traffic_out_20261102120000\n"
    "traffic_in_20261101235959\n"
    "traffic_in_2026110212000\n"
    "traffic_in_202611021200001\n"
    "traffic_in_2026110212000x\n"
    "traffic_in_20261103000000.tmp\n"
    "old_traffic_in_20261101000000\n"
    "traffic_in_20261103000000\n"
    "traffic_in_20261102000000";

struct select_case_t {
  const char* szPrefix;
  const char* szBefore;
  const char* szWanted;
};

}  // namespace

TEST(SnapshotNames, PrefixStampAndTimeOrder) {
  const select_case_t aCases[] = {
      {"traffic_in_", "",
       "traffic_in_20261101235959\ntraffic_in_20261102000000\ntraffic_in_20261102120000\n"
       "traffic_in_20261103000000\n"},
      {"traffic_out_", "", "traffic_out_20261102120000\n"},
      {"traffic_in_", "20261102120000", "traffic_in_20261101235959\ntraffic_in_20261102000000\n"},
      {"traffic_in_", "20261102120001",
       "traffic_in_20261101235959\ntraffic_in_20261102000000\ntraffic_in_20261102120000\n"},
      {"traffic_in_", "20261102", "traffic_in_20261101235959\n"},
      {"traffic_in_", "20261103",
       "traffic_in_20261101235959\ntraffic_in_20261102000000\ntraffic_in_20261102120000\n"},
      {"traffic_in_", "20261101", ""},
      {"traffic_", "", ""},
      {"old_traffic_in_", "", "old_traffic_in_20261101000000\n"},
  };
  for (const select_case_t& tCase : aCases) {
    EXPECT_EQ(SelectSnapshots(kNames, tCase.szPrefix, tCase.szBefore), tCase.szWanted)
        << tCase.szPrefix << " " << tCase.szBefore;
  }
}

TEST(SnapshotNames, EventsFromTheOldestDay) {
  constexpr const char* kEvents =
      "20261101120000 IPv4 traffic_in_ traffic_out_ 20261101110000 counters reset\n"
      "20261102000000 IPv6 traffic_in_ traffic_out_ 20261101230000 chains gone\n"
      "\n"
      "20261103080000 IPv4+IPv6 traffic_in_ traffic_out_ 20261103070000 set full";
  const std::pair<const char*, const char*> aCases[] = {
      {"20261101",
       "20261101120000 IPv4 traffic_in_ traffic_out_ 20261101110000 counters reset\n"
       "20261102000000 IPv6 traffic_in_ traffic_out_ 20261101230000 chains gone\n"
       "20261103080000 IPv4+IPv6 traffic_in_ traffic_out_ 20261103070000 set full\n"},
      {"20261102",
       "20261102000000 IPv6 traffic_in_ traffic_out_ 20261101230000 chains gone\n"
       "20261103080000 IPv4+IPv6 traffic_in_ traffic_out_ 20261103070000 set full\n"},
      {"20261103", "20261103080000 IPv4+IPv6 traffic_in_ traffic_out_ 20261103070000 set full\n"},
      {"20261104", ""},
  };
  for (const auto& [szOldest, szWanted] : aCases) {
    EXPECT_EQ(KeepEvents(kEvents, szOldest), szWanted) << szOldest;
  }
}
