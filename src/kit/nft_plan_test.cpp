// The nftables backend's planner on the kit's own texts and nft's listing with handles: the
// commands of a change in place, or the finding that the table must be replaced.
#include "kit/nft_plan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The text loaded last: a set per direction, host rules, the chain that checks sources.
constexpr const char* kLoaded =
    "table inet netreckon {\n"
    "  set NR_IN_v4_10_0_1_0_24 { type ipv4_addr; size 16; flags dynamic,timeout; timeout 1h; "
    "counter; }\n"
    "  set NR_OUT_v4_10_0_1_0_24 { type ipv4_addr; size 16; flags dynamic,timeout; timeout 1h; "
    "counter; }\n"
    "  chain NR_IN {\n"
    "    meta length 0-19 counter packets 1 bytes 1 comment \"netreckon-reset-mark\"\n"
    "    ip daddr 10.0.0.1 counter comment \"printer\"\n"
    "    ip daddr 10.0.1.0/24 update @NR_IN_v4_10_0_1_0_24 { ip daddr } return\n"
    "    ip daddr 10.0.1.0/24 counter return comment \"not counted: set full\"\n"
    "  }\n"
    "  chain NR_OUT {\n"
    "    meta length 0-19 counter packets 1 bytes 1 comment \"netreckon-reset-mark\"\n"
    "    ip saddr 10.0.0.1 counter comment \"printer\"\n"
    "    ip saddr 10.0.1.0/24 update @NR_OUT_v4_10_0_1_0_24 { ip saddr } return\n"
    "    ip saddr 10.0.1.0/24 counter return comment \"not counted: set full\"\n"
    "  }\n"
    "  chain NR_OUT_rpf {\n"
    "    jump NR_OUT\n"
    "  }\n"
    "  chain input {\n"
    "    type filter hook input priority security; policy accept;\n"
    "    iifname != \"lo\" jump NR_IN\n"
    "    iifname != \"lo\" jump NR_OUT_rpf\n"
    "  }\n"
    "}\n";

// How nft lists it with handles (-a -t), its rules in the order of the text.
constexpr const char* kHandles =
    "table inet netreckon { # handle 7\n"
    "\tset NR_IN_v4_10_0_1_0_24 { # handle 1\n"
    "\t\ttype ipv4_addr\n"
    "\t\tsize 16\n"
    "\t}\n"
    "\tchain NR_IN { # handle 3\n"
    "\t\tmeta length 0-19 counter packets 1 bytes 5 comment \"netreckon-reset-mark\" # handle 10\n"
    "\t\tip daddr 10.0.0.1 counter packets 0 bytes 0 comment \"printer\" # handle 11\n"
    "\t\tip daddr 10.0.1.0/24 update @NR_IN_v4_10_0_1_0_24 { ip daddr } return # handle 12\n"
    "\t\tip daddr 10.0.1.0/24 counter packets 0 bytes 0 return comment \"not counted: set full\" # "
    "handle 13\n"
    "\t}\n"
    "\tchain NR_OUT { # handle 4\n"
    "\t\tmeta length 0-19 counter packets 1 bytes 5 comment \"netreckon-reset-mark\" # handle 20\n"
    "\t\tip saddr 10.0.0.1 counter packets 0 bytes 0 comment \"printer\" # handle 21\n"
    "\t\tip saddr 10.0.1.0/24 update @NR_OUT_v4_10_0_1_0_24 { ip saddr } return # handle 22\n"
    "\t\tip saddr 10.0.1.0/24 counter packets 0 bytes 0 return comment \"not counted: set full\" # "
    "handle 23\n"
    "\t}\n"
    "\tchain NR_OUT_rpf { # handle 5\n"
    "\t\tjump NR_OUT # handle 30\n"
    "\t}\n"
    "\tchain input { # handle 6\n"
    "\t\ttype filter hook input priority security; policy accept;\n"
    "\t\tiifname != \"lo\" jump NR_IN # handle 40\n"
    "\t\tiifname != \"lo\" jump NR_OUT_rpf # handle 41\n"
    "\t}\n"
    "}\n";

}  // namespace

// The printer renamed, bob listed, the outgoing set grown, a check of sources added and the
// hooks' priority changed: kept rules keep their handles, new ones stand before the next kept
// one, the grown set and the rule that fills it are made anew, the hook chain is replaced.
TEST(NftPlan, ChangesOnlyWhatChanged) {
  std::string szWanted = kLoaded;
  const auto Replace = [&](std::string_view szFrom, std::string_view szTo) {
    for (std::size_t iAt = szWanted.find(szFrom); iAt != std::string::npos;
         iAt = szWanted.find(szFrom, iAt + szTo.size())) {
      szWanted.replace(iAt, szFrom.size(), szTo);
    }
  };
  Replace("\"printer\"", "\"laser\"");
  Replace("NR_OUT_v4_10_0_1_0_24 { type ipv4_addr; size 16",
          "NR_OUT_v4_10_0_1_0_24 { type ipv4_addr; size 32");
  Replace("priority security", "priority filter - 10");
  Replace("  chain NR_OUT_rpf {\n",
          "  chain NR_OUT_rpf {\n    ip saddr 10.0.1.0/24 fib saddr . iif oif missing counter "
          "return comment \"not counted: spoofed source\"\n");
  Replace("    ip daddr 10.0.0.1 counter comment \"laser\"\n",
          "    ip daddr 10.0.0.1 counter comment \"laser\"\n    ip daddr 10.0.0.2 counter comment "
          "\"bob\"\n");
  const nft_plan_t tPlan = PlanNftChange("netreckon", kLoaded, szWanted, kHandles);
  EXPECT_FALSE(tPlan.bReplace);
  EXPECT_EQ(
      tPlan.szLines,
      "C delete chain inet netreckon input\n"
      "C delete rule inet netreckon NR_IN handle 11\n"
      "C delete rule inet netreckon NR_OUT handle 21\n"
      "C delete rule inet netreckon NR_OUT handle 22\n"
      "C delete set inet netreckon NR_OUT_v4_10_0_1_0_24\n"
      "C add set inet netreckon NR_OUT_v4_10_0_1_0_24 { type ipv4_addr; size 32; flags "
      "dynamic,timeout; timeout 1h; counter; }\n"
      "C insert rule inet netreckon NR_IN position 12 ip daddr 10.0.0.1 counter comment \"laser\"\n"
      "Z NR_IN 10.0.0.1\n"
      "C insert rule inet netreckon NR_IN position 12 ip daddr 10.0.0.2 counter comment \"bob\"\n"
      "Z NR_IN 10.0.0.2\n"
      "C insert rule inet netreckon NR_OUT position 23 ip saddr 10.0.0.1 counter comment "
      "\"laser\"\n"
      "Z NR_OUT 10.0.0.1\n"
      "C insert rule inet netreckon NR_OUT position 23 ip saddr 10.0.1.0/24 update "
      "@NR_OUT_v4_10_0_1_0_24 { ip saddr } return\n"
      "C insert rule inet netreckon NR_OUT_rpf position 30 ip saddr 10.0.1.0/24 fib saddr . iif "
      "oif missing counter return comment \"not counted: spoofed source\"\n"
      "Z NR_OUT_rpf !spoofed:10.0.1.0/24\n"
      "C add chain inet netreckon input { type filter hook input priority filter - 10; policy "
      "accept; }\n"
      "C add rule inet netreckon input iifname != \"lo\" jump NR_IN\n"
      "C add rule inet netreckon input iifname != \"lo\" jump NR_OUT_rpf\n");
}

// A case a line: what differs from the text loaded last, and whether the table is replaced.
TEST(NftPlan, ReplacesWhatCannotChangeInPlace) {
  const struct {
    const char* szCase;
    std::string_view szFrom;  // in the wanted text (else in the listing)
    std::string_view szTo;
    bool bInListing;
    bool bReplace;
  } kCases[] = {
      {"a counting chain renamed", "NR_OUT_rpf", "NR_OUT_chk", false, true},
      {"a rule gone behind the kit's back", "\t\tjump NR_OUT # handle 30\n", "", true, true},
      {"a rule added behind the kit's back", "\t\tjump NR_OUT # handle 30\n",
       "\t\tjump NR_OUT # handle 30\n\t\tjump NR_IN # handle 31\n", true, true},
      {"a handle that is no number", "# handle 30", "# handle 3x", true, true},
      {"nothing changed", "", "", false, false},
      {"a hook chain renamed", "chain input {", "chain forward {", false, false},
  };
  for (const auto& tCase : kCases) {
    std::string szWanted = kLoaded;
    std::string szListing = kHandles;
    std::string& szText = tCase.bInListing ? szListing : szWanted;
    for (std::size_t iAt = tCase.szFrom.empty() ? std::string::npos : szText.find(tCase.szFrom);
         iAt != std::string::npos; iAt = szText.find(tCase.szFrom, iAt + tCase.szTo.size())) {
      szText.replace(iAt, tCase.szFrom.size(), tCase.szTo);
    }
    const nft_plan_t tPlan = PlanNftChange("netreckon", kLoaded, szWanted, szListing);
    EXPECT_EQ(tPlan.bReplace, tCase.bReplace) << tCase.szCase;
    if (tCase.bReplace || tCase.szFrom.empty()) {
      EXPECT_EQ(tPlan.szLines, "") << tCase.szCase;
    }
  }
}

// A counting rule added first to the incoming chain, a case a line: the rule, then the row that
// starts from 0 ("" for none), keyed as the converter writes the row.
TEST(NftPlan, KeysEachNewCountingRuleAsItsRow) {
  const struct {
    const char* szRule;
    const char* szStart;
  } kCases[] = {
      {"ip daddr 10.0.0.3/32 counter comment \"c\"", "Z NR_IN 10.0.0.3\n"},
      {"ip6 daddr 2001:db8::5/128 counter", "Z NR_IN 2001:db8::5\n"},
      {"ip6 daddr 2001:db8:1::/64 counter", "Z NR_IN 2001:db8:1::/64\n"},
      {"ip daddr 10.0.1.0/24 counter return comment \"not counted: unknown host\"",
       "Z NR_IN !unknown:10.0.1.0/24\n"},
      {"ip daddr 10.0.1.0/24 counter return comment \"not counted: too many addresses\"",
       "Z NR_IN !limit:10.0.1.0/24\n"},
      {"ip daddr 10.0.1.0/24 counter return comment \"not counted: spoofed source\"",
       "Z NR_IN !spoofed:10.0.1.0/24\n"},
      {"ip daddr 10.0.0.9 return", ""},
  };
  for (const auto& tCase : kCases) {
    std::string szWanted = kLoaded;
    const std::string szChain = "  chain NR_IN {\n";
    szWanted.insert(szWanted.find(szChain) + szChain.size(),
                    std::string("    ") + tCase.szRule + "\n");
    const nft_plan_t tPlan = PlanNftChange("netreckon", kLoaded, szWanted, kHandles);
    EXPECT_EQ(tPlan.szLines, std::string("C insert rule inet netreckon NR_IN position 10 ") +
                                 tCase.szRule + "\n" + tCase.szStart)
        << tCase.szRule;
  }
}
