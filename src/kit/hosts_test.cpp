// The kit's hosts: one line per case, the entries and what the kit gets (lines, messages).
#include "kit/hosts.h"

#include <gtest/gtest.h>

namespace {

struct hosts_case_t {
  const char* szEntries;
  const char* szLines;
  const char* szMessages;
};

}  // namespace

TEST(Hosts, EntriesAreWrittenAsTheFirewallPrintsThem) {
  const hosts_case_t kCases[] = {
      {"10.0.0.1\n", "4 10.0.0.1/32\n", ""},
      {"192.168.1.77/24\n", "4 192.168.1.0/24\n", ""},
      {"10.255.255.255/9\n", "4 10.128.0.0/9\n", ""},
      {"2001:DB8::A\n", "6 2001:db8::a/128\n", ""},
      {"2001:0db8:0000:0000:0000:0000:0000:0001\n", "6 2001:db8::1/128\n", ""},
      {"2001:db8:0:0:1::5/64\n", "6 2001:db8::/64\n", ""},
      {"2001:db8::1:0:0:1/96\n", "6 2001:db8:0:0:1::/96\n", ""},
      {"2001:db8:1:2:3::/33\n", "6 2001:db8::/33\n", ""},
      {"2001:db8:ffff::/47\n", "6 2001:db8:fffe::/47\n", ""},
      {"::ffff:192.0.2.1\n", "6 ::ffff:192.0.2.1/128\n", ""},
      {"10.0.0.9=printer\n\n10.0.0.10\n", "4 10.0.0.9/32 printer\n4 10.0.0.10/32\n", ""},
      {"10.0.0.1/33\n", "", "invalid host address 10.0.0.1/33: not a prefix length from 1 to 32\n"},
      {"10.0.0.1/0\n", "", "invalid host address 10.0.0.1/0: not a prefix length from 1 to 32\n"},
      {"10.0.0.1/032\n", "",
       "invalid host address 10.0.0.1/032: not a prefix length from 1 to 32\n"},
      {"010.0.0.1\n", "", "invalid host address 010.0.0.1: not an IPv4 address\n"},
      {"10.0.0.256\n", "", "invalid host address 10.0.0.256: not an IPv4 address\n"},
      {"host.example\n", "", "invalid host address host.example: not an IPv4 address\n"},
      {"2001:db8:::1\n", "", "invalid host address 2001:db8:::1: not an IPv6 address\n"},
      {"2001:db8::g\n", "", "invalid host address 2001:db8::g: not an IPv6 address\n"},
      {"2001:db8::1/129\n", "",
       "invalid host address 2001:db8::1/129: not a prefix length from 1 to 128\n"},
      {"2001:db8::5/064\n", "",
       "invalid host address 2001:db8::5/064: not a prefix length from 1 to 128\n"},
      {"10.0.0.9=bad.name!\n", "",
       "invalid host address 10.0.0.9=bad.name!: a name is 1 to 32 letters, digits, '.', '_' or "
       "'-'\n"},
      {"10.0.0.9=abcdefghijklmnopqrstuvwxyz.-_789\n",
       "4 10.0.0.9/32 abcdefghijklmnopqrstuvwxyz.-_789\n", ""},
      {"10.0.0.9=abcdefghijklmnopqrstuvwxyz.-_7890\n", "",
       "invalid host address 10.0.0.9=abcdefghijklmnopqrstuvwxyz.-_7890: a name is 1 to 32 "
       "letters, digits, '.', '_' or '-'\n"},
      {"10.0.0.9=\n", "",
       "invalid host address 10.0.0.9=: a name is 1 to 32 letters, digits, '.', '_' or '-'\n"},
      {"10.0.0.9=netreckon-reset-mark\n", "",
       "invalid host address 10.0.0.9=netreckon-reset-mark: the kit's own mark rule bears that "
       "name\n"},
      {"10.0.0.1\n10.0.0.1=printer\n", "4 10.0.0.1/32\n",
       "invalid host address 10.0.0.1=printer: the same host as 10.0.0.1\n"},
      {"2001:db8::1\n2001:DB8:0::1/128\n", "6 2001:db8::1/128\n",
       "invalid host address 2001:DB8:0::1/128: the same host as 2001:db8::1\n"},
      {"10.0.0.0/24\n10.0.0.7\n10.0.1.7\n", "4 10.0.0.0/24\n4 10.0.0.7/32\n4 10.0.1.7/32\n",
       "warning: 10.0.0.0/24 holds 10.0.0.7/32: the all-hosts totals count its traffic twice\n"},
      {"2001:db8::/64\n2001:db8::/48\n2001:db8:0:1::1\n2001:db8:1::1\n",
       "6 2001:db8::/64\n6 2001:db8::/48\n6 2001:db8:0:1::1/128\n6 2001:db8:1::1/128\n",
       "warning: 2001:db8::/48 holds 2001:db8::/64: the all-hosts totals count its traffic "
       "twice\nwarning: 2001:db8::/48 holds 2001:db8:0:1::1/128: the all-hosts totals count its "
       "traffic twice\n"},
      {"::ffff:10.0.0.1\n10.0.0.0/8\n", "6 ::ffff:10.0.0.1/128\n4 10.0.0.0/8\n", ""},
      {"32.1.0.0/16\n2001:db8::1\n", "4 32.1.0.0/16\n6 2001:db8::1/128\n", ""},
  };
  for (const hosts_case_t& tCase : kCases) {
    const host_plan_t tPlan = PlanHosts(tCase.szEntries);
    EXPECT_EQ(tPlan.szLines, tCase.szLines) << tCase.szEntries;
    EXPECT_EQ(tPlan.szMessages, tCase.szMessages) << tCase.szEntries;
    EXPECT_EQ(tPlan.bRefused, std::string_view(tCase.szMessages).starts_with("invalid"))
        << tCase.szEntries;
  }
}
