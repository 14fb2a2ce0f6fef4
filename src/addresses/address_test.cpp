// Tests of reading host keys as addresses: the form names match by and the order by address.
#include "addresses/address.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(Address, WritesTheFormNamesAreMatchedBy) {
  const struct {
    const char* szKey;
    const char* szExpected;
  } kCases[] = {
      {"10.0.0.1", "10.0.0.1"},
      {"10.0.0.1/32", "10.0.0.1"},
      {"10.0.0.0/24", "10.0.0.0/24"},
      {"2001:db8:50:0:0:0:0:10", "2001:db8:50::10"},
      {"2001:DB8:50::10", "2001:db8:50::10"},
      {"2001:0db8:0050:0000:0000:0000:0000:0010", "2001:db8:50::10"},
      {"2001:db8::/64", "2001:db8::/64"},
      {"2001:db8::1/128", "2001:db8::1"},
      {"::ffff:10.0.0.1", "::ffff:10.0.0.1"},
      {"Host-A", "host-a"},
      {"10.0.0.1/33", "10.0.0.1/33"},
      {"10.0.0.256", "10.0.0.256"},
      {"010.000.000.001", "10.0.0.1"},
      {"192.168.001.010/24", "192.168.1.10/24"},
      {"10.0.0.0001", "10.0.0.0001"},
      {"10.0.0", "10.0.0"},
      {"0.0.0.0/0", "0.0.0.0/0"},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(MakeAddressKey(tCase.szKey), tCase.szExpected) << tCase.szKey;
  }
}

TEST(Address, OrdersIpv4ThenIpv6ThenOtherKeys) {
  std::vector<std::string> tKeys = {"host-a",      "2001:db8::10", "10.0.0.10",   "::1",
                                    "2001:db8::9", "10.0.0.9",     "10.0.0.9/24", "192.168.1.1",
                                    "2001:DB8::A", "Host-B"};
  std::stable_sort(tKeys.begin(), tKeys.end(),
                   [](const std::string& szLeft, const std::string& szRight) {
                     address_t tLeft;
                     address_t tRight;
                     ReadAddress(szLeft, tLeft);
                     ReadAddress(szRight, tRight);
                     return IsBeforeByAddress(tLeft, szLeft, tRight, szRight);
                   });
  EXPECT_EQ(tKeys, (std::vector<std::string>{"10.0.0.9/24", "10.0.0.9", "10.0.0.10", "192.168.1.1",
                                             "::1", "2001:db8::9", "2001:DB8::A", "2001:db8::10",
                                             "Host-B", "host-a"}));
}
