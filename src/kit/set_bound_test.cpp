// The rows a setup can hold, a case a line: subnets, listed hosts, SET_SIZE, hosts per /64,
// then the rows of the outgoing listing and the largest SET_SIZE within the report's bound.
#include "kit/set_bound.h"

#include <gtest/gtest.h>

#include "accounting/records.h"

TEST(SetBound, CountsTheRowsOfTheFullestDirection) {
  ASSERT_EQ(kMaxHosts, 100000U);
  const struct {
    const char* szSubnets;
    long long llListed;
    long long llSetSize;
    bool bPer64;
    long long llRows;
    long long llLargest;
  } kCases[] = {
      {"4 192.168.1.0/24\n6 2001:db8:1::/64\n", 1, 16384, false, 16647, 99737},
      {"4 192.168.1.0/24 lan\n6 2001:db8:1::/64 lan6\n", 1, 16384, false, 16647, 99737},
      {"6 2001:db8:1::/64\n6 2001:db8:2::/64\n", 0, 65536, false, 131078, 49997},
      {"6 2001:db8:1::/64\n6 2001:db8:2::/64\n", 0, 65536, true, 8, 16777216},
      {"6 2001:db8::/48\n", 0, 65536, true, 65539, 16777216},
      {"6 2001:db8::/48\n", 0, 65536, false, 65539, 99997},
      {"6 2001:db8::/32\n", 0, 16777216, true, 16777219, 99997},
      {"6 2001:db8::/96\n", 0, 16777216, true, 4, 16777216},
      {"6 2001:db8::/104\n", 0, 16777216, false, 16777219, 99997},
      {"6 2001:db8::/105\n", 0, 16777216, false, 8388611, 99997},
      {"4 10.0.0.0/8\n", 0, 16777216, false, 16777219, 99997},
      {"4 10.0.0.0/16\n", 2, 65536, false, 65541, 16777216},
      {"4 10.0.0.7/32\n", 0, 65536, false, 4, 16777216},
      {"4 10.0.0.0/24\n4 10.0.1.0/24\n", 0, 1, false, 8, 16777216},
      {"", 5, 65536, false, 5, 16777216},
      {"4 10.0.0.0/24\n", 99997, 1, false, 100001, 0},
      {"4 10.0.0.0/24\n", 99996, 1, false, 100000, 1},
  };
  for (const auto& tCase : kCases) {
    const set_bound_t tBound =
        BoundSetRows(tCase.szSubnets, tCase.llListed, tCase.llSetSize, tCase.bPer64);
    EXPECT_FALSE(tBound.bRefused) << tCase.szSubnets;
    EXPECT_EQ(tBound.llRows, tCase.llRows) << tCase.szSubnets << tCase.llSetSize;
    EXPECT_EQ(tBound.llLargestSetSize, tCase.llLargest) << tCase.szSubnets << tCase.llSetSize;
  }
}

TEST(SetBound, RefusesWhatIsNoSubnetLineOrSetSize) {
  const struct {
    const char* szSubnets;
    long long llSetSize;
  } kCases[] = {
      {"5 10.0.0.0/24\n", 16}, {"4 2001:db8::/64\n", 16},
      {"6 10.0.0.0/8\n", 16},  {"4\n", 16},
      {"x 10.0.0.0/8\n", 16},  {"410.0.0.0/8\n", 16},
      {"4 10.0.0.0/24\n", 0},  {"4 10.0.0.0/24\n", 16777217},
  };
  for (const auto& tCase : kCases) {
    EXPECT_TRUE(BoundSetRows(tCase.szSubnets, 0, tCase.llSetSize, false).bRefused)
        << tCase.szSubnets << tCase.llSetSize;
  }
}
