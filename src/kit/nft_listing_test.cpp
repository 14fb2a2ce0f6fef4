// The nftables backend's converter against nft's own listing texts: a case a line, the chain,
// the direction, the previous snapshot and the rows that start from 0, then the whole snapshot.
#include "kit/nft_listing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A table as nft 1.0.6 lists it: a set of each direction (one wrapped over two lines, one of
// /64 keys), host rules, the mark, each not-counted cause and the chain that checks sources.
constexpr const char* kListing =
    "table inet netreckon {\n"
    "\tset NR_OUT_v4_10_0_1_0_24 {\n"
    "\t\ttype ipv4_addr\n"
    "\t\tsize 16\n"
    "\t\tflags dynamic,timeout\n"
    "\t\tcounter\n"
    "\t\ttimeout 1h\n"
    "\t\telements = { 10.0.1.7 counter packets 2 bytes 18446744073709551615 expires 59m59s984ms,\n"
    "\t\t\t     10.0.1.9 counter packets 0 bytes 0 expires 3m }\n"
    "\t}\n"
    "\n"
    "\tset NR_IN_v6_2001_db8_1___64 {\n"
    "\t\ttype ipv6_addr\n"
    "\t\tsize 16\n"
    "\t\tcounter\n"
    "\t\telements = { 2001:db8:1:: counter packets 1 bytes 64 expires 59m59s984ms }\n"
    "\t}\n"
    "\n"
    "\tchain NR_IN {\n"
    "\t\tmeta length 0-19 counter packets 1 bytes 20261102120000 comment \"netreckon-reset-mark\"\n"
    "\t\tip daddr 10.0.0.1 counter packets 5 bytes 500 comment \"printer\"\n"
    "\t\tip6 daddr 2001:db8:1::/64 update @NR_IN_v6_2001_db8_1___64 { ip6 daddr & "
    "ffff:ffff:ffff:ffff:: } return\n"
    "\t\tip daddr 10.0.1.0/24 counter packets 7 bytes 700 return comment \"not counted: unknown "
    "host\"\n"
    "\t}\n"
    "\n"
    "\tchain NR_OUT {\n"
    "\t\tmeta length 0-19 counter packets 1 bytes 20261102120000 comment \"netreckon-reset-mark\"\n"
    "\t\tip saddr 10.0.0.1 counter packets 8 bytes 800 comment \"printer\"\n"
    "\t\tip saddr 10.0.1.0/24 update @NR_OUT_v4_10_0_1_0_24 { ip saddr } return\n"
    "\t\tip saddr 10.0.1.0/24 update @NR_OUT_macs_v4_10_0_1_0_24 { ether saddr limit rate over "
    "64/hour burst 64 packets } counter packets 3 bytes 300 return comment \"not counted: too many "
    "addresses\"\n"
    "\t\tip saddr 10.0.1.0/24 counter packets 4 bytes 400 return comment \"not counted: set "
    "full\"\n"
    "\t}\n"
    "\n"
    "\tchain NR_OUT_rpf {\n"
    "\t\tip saddr 10.0.1.0/24 fib saddr . iif oif missing counter packets 6 bytes 660 return "
    "comment \"not counted: spoofed source\"\n"
    "\t\tjump NR_OUT\n"
    "\t}\n"
    "\n"
    "\tchain input {\n"
    "\t\ttype filter hook input priority security; policy accept;\n"
    "\t\tiifname != \"lo\" jump NR_IN\n"
    "\t\tiifname != \"lo\" jump NR_OUT_rpf\n"
    "\t}\n"
    "\n"
    "\tchain output {\n"
    "\t\ttype filter hook output priority security; policy accept;\n"
    "\t\tjump NR_IN\n"
    "\t\tjump NR_OUT\n"
    "\t}\n"
    "}\n";

// The outgoing chain's last snapshot: a host gone since (10.0.1.3, twice), one that read 0, and
// the printer, still there.
constexpr const char* kPrevious =
    "Chain NR_OUT (2 references)\n"
    "    pkts      bytes target\n"
    "       5      500            all  --  *      *       10.0.1.3             0.0.0.0/0\n"
    "       0        0            all  --  *      *       10.0.1.4             0.0.0.0/0\n"
    "       9      900            all  --  *      *       10.0.0.1             0.0.0.0/0     "
    "       /* printer */\n"
    "       2      200            all  --  *      *       10.0.1.3             0.0.0.0/0\n";

constexpr const char* kStarts =
    "NR_OUT_rpf !spoofed:10.0.1.0/24\nNR_IN 10.0.0.1\nNR_OUT !full:10.0.1.0/24\n";

constexpr const char* kTitles =
    "    pkts      bytes target     prot opt in     out     source               destination  "
    "       \n";

}  // namespace

TEST(NftListing, WritesTheChainsRowsAsTheListingFormat) {
  const struct {
    const char* szChain;
    bool bOutgoing;
    const char* szPrevious;
    const char* szStarts;
    std::string szSnapshot;
  } kCases[] = {
      {"NR_IN", false, "", "",
       std::string("Chain NR_IN (2 references)\n") + kTitles +
           "       5      500            all  --  *      *       0.0.0.0/0            10.0.0.1    "
           "         /* printer */\n"
           "       7      700            all  --  *      *       0.0.0.0/0            "
           "!unknown:10.0.1.0/24 /* not counted: unknown host */\n"
           "       1       64            all  --  *      *       ::/0                 "
           "2001:db8:1::/64     \n"},
      {"NR_IN", false, kPrevious, kStarts,
       std::string("Chain NR_IN (2 references)\n") + kTitles +
           "       0        0            all  --  *      *       0.0.0.0/0            10.0.0.1    "
           "         /* printer */\n"
           "       7      700            all  --  *      *       0.0.0.0/0            "
           "!unknown:10.0.1.0/24 /* not counted: unknown host */\n"
           "       1       64            all  --  *      *       ::/0                 "
           "2001:db8:1::/64     \n"},
      {"NR_OUT", true, "", "",
       std::string("Chain NR_OUT (2 references)\n") + kTitles +
           "       8      800            all  --  *      *       10.0.0.1             0.0.0.0/0   "
           "         /* printer */\n"
           "       3      300            all  --  *      *       !limit:10.0.1.0/24   0.0.0.0/0   "
           "         /* not counted: too many addresses */\n"
           "       4      400            all  --  *      *       !full:10.0.1.0/24    0.0.0.0/0   "
           "         /* not counted: set full */\n"
           "       6      660            all  --  *      *       !spoofed:10.0.1.0/24 0.0.0.0/0   "
           "         /* not counted: spoofed source */\n"
           "       2 18446744073709551615            all  --  *      *       10.0.1.7             "
           "0.0.0.0/0           \n"
           "       0        0            all  --  *      *       10.0.1.9             0.0.0.0/0   "
           "        \n"},
      {"NR_OUT", true, kPrevious, kStarts,
       std::string("Chain NR_OUT (2 references)\n") + kTitles +
           "       8      800            all  --  *      *       10.0.0.1             0.0.0.0/0   "
           "         /* printer */\n"
           "       3      300            all  --  *      *       !limit:10.0.1.0/24   0.0.0.0/0   "
           "         /* not counted: too many addresses */\n"
           "       0        0            all  --  *      *       !full:10.0.1.0/24    0.0.0.0/0   "
           "         /* not counted: set full */\n"
           "       0        0            all  --  *      *       !spoofed:10.0.1.0/24 0.0.0.0/0   "
           "         /* not counted: spoofed source */\n"
           "       2 18446744073709551615            all  --  *      *       10.0.1.7             "
           "0.0.0.0/0           \n"
           "       0        0            all  --  *      *       10.0.1.9             0.0.0.0/0   "
           "        \n"
           "       0        0            all  --  *      *       10.0.1.3             0.0.0.0/0   "
           "        \n"},
      // The checking chain's rows belong to the outgoing chain only.
      {"NR_OUT_rpf", true, "", "",
       std::string("Chain NR_OUT_rpf (1 references)\n") + kTitles +
           "       6      660            all  --  *      *       !spoofed:10.0.1.0/24 0.0.0.0/0   "
           "         /* not counted: spoofed source */\n"},
      {"NR_GONE", false, "", "", std::string("Chain NR_GONE (0 references)\n") + kTitles},
  };
  for (const auto& tCase : kCases) {
    const nft_listing_request_t tRequest = {tCase.szChain, tCase.bOutgoing, "netreckon-reset-mark",
                                            tCase.szPrevious, tCase.szStarts};
    EXPECT_EQ(ConvertNftListing(kListing, tRequest), tCase.szSnapshot)
        << tCase.szChain << " " << tCase.szPrevious;
  }
}

// Lines a LAN client or a broken listing could bring: each gives the rows below the titles.
TEST(NftListing, TakesOddLinesWithoutHarm) {
  const struct {
    const char* szListing;
    const char* szRows;
  } kCases[] = {
      {"chain C {\nip saddr 10.0.0.1 counter packets 1 bytes 2 comment \"a \" b\"\n}\n",
       "       1        2            all  --  *      *       10.0.0.1             0.0.0.0/0      "
       "      /* a \" b */\n"},
      {"chain C {\nip saddr 10.0.0.1 counter packets 1 bytes 2 comment \"\n}\n",
       "       1        2            all  --  *      *       10.0.0.1             0.0.0.0/0      "
       "     \n"},
      {"chain C {\nip saddr counter packets 1 bytes 2\n}\n",
       "       1        2            all  --  *      *       counter              0.0.0.0/0      "
       "     \n"},
      {"chain C {\nip daddr 10.0.0.1 counter packets 1 bytes 2\n}\n", ""},
      {"chain C {\nip saddr 10.0.0.1 counter packets\n", ""},
      {"chain\nset\nelements = {\n}\n", ""},
      {"set C_v4_x {\nelements = { , ,\n\t, 10.0.0.5 }\n",
       "                             all  --  *      *       10.0.0.5             0.0.0.0/0      "
       "     \n"},
      {"chain C {\nip saddr !x:10.0.0.0/24 counter packets 1 bytes 1\n}\n",
       "       1        1            all  --  *      *       !x:10.0.0.0/24       0.0.0.0/0      "
       "     \n"},
      {"chain C {\nip saddr !x:2001:db8::/64 counter packets 1 bytes 1\n}\n",
       "       1        1            all  --  *      *       !x:2001:db8::/64     ::/0           "
       "     \n"},
      {"", ""},
  };
  for (const auto& tCase : kCases) {
    const nft_listing_request_t tRequest = {"C", true, "m", "", ""};
    EXPECT_EQ(ConvertNftListing(tCase.szListing, tRequest),
              std::string("Chain C (0 references)\n") + kTitles + tCase.szRows)
        << tCase.szListing;
  }
}
