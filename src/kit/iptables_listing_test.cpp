// The iptables backend's texts against listings as iptables prints them: a case a line, the
// arguments, then the whole text written.
#include "kit/iptables_listing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kListing =
    "Chain NR_IN (1 references)\n"
    "    pkts      bytes target     prot opt in     out     source               destination\n"
    "       1 20261102120000            all  --  *      *       0.0.0.0/0            0.0.0.0/0 "
    "           length 0:19 /* nr-mark */\n"
    "       5      500            all  --  *      *       0.0.0.0/0            10.0.0.1 "
    "            /* printer */\n"
    "      12     1200            all  --  *      *       0.0.0.0/0            10.0.0.2\n"
    "     300 18446744073709551615            all  --  *      *       0.0.0.0/0            "
    "2001:db8::/64\n";

constexpr const char* kHead =
    "Chain NR_IN (1 references)\n"
    "    pkts      bytes target     prot opt in     out     source               destination\n";
constexpr const char* kPrinter =
    "       5      500            all  --  *      *       0.0.0.0/0            10.0.0.1 "
    "            /* printer */\n";
constexpr const char* kPrinterZero =
    "       0        0            all  --  *      *       0.0.0.0/0            10.0.0.1 "
    "            /* printer */\n";
constexpr const char* kPlain =
    "      12     1200            all  --  *      *       0.0.0.0/0 "
    "           10.0.0.2\n";
constexpr const char* kPlainZero =
    "       0        0            all  --  *      *       0.0.0.0/0 "
    "           10.0.0.2\n";
constexpr const char* kWide =
    "     300 18446744073709551615            all  --  *      *       0.0.0.0/0            "
    "2001:db8::/64\n";
constexpr const char* kWideZero =
    "       0        0            all  --  *      *       0.0.0.0/0            2001:db8::/64\n";

struct chain_case_t {
  const char* szChain;
  bool bHeader;
  const char* szZero;
  std::string szWanted;
};

struct mark_case_t {
  const char* szLines;
  const char* szWanted;
};

}  // namespace

TEST(ChainListing, HeaderMarkAndRowsFromZero) {
  const chain_case_t aCases[] = {
      {"NR_IN", true, "", std::string(kHead) + kPrinter + kPlain + kWide},
      {"NR_IN", false, "", std::string(kPrinter) + kPlain + kWide},
      {"NR_IN", true, "all NR_IN\n", std::string(kHead) + kPrinterZero + kPlainZero + kWideZero},
      {"NR_IN", false, "all NR_OUT\n", std::string(kPrinter) + kPlain + kWide},
      {"NR_IN", false, "-A NR_IN -d 10.0.0.2/32 -j RETURN\n",
       std::string(kPrinter) + kPlainZero + kWide},
      {"NR_IN", false, "-A NR_IN -d 10.0.0.1/32 -m comment --comment printer\n",
       std::string(kPrinterZero) + kPlain + kWide},
      {"NR_IN", false, "-A NR_IN -d 10.0.0.1/32 -m comment --comment scanner\n",
       std::string(kPrinter) + kPlain + kWide},
      {"NR_IN", false, "-A NR_IN -d 10.0.0.1/32\n", std::string(kPrinter) + kPlain + kWide},
      {"NR_IN", false, "-A NR_IN -d 2001:db8::/64\n", std::string(kPrinter) + kPlain + kWideZero},
      {"NR_IN", false, "-A NR_OUT -d 10.0.0.2/32\n", std::string(kPrinter) + kPlain + kWide},
  };
  for (const chain_case_t& tCase : aCases) {
    EXPECT_EQ(WriteChainListing(kListing, tCase.szChain, "nr-mark", tCase.bHeader, tCase.szZero),
              tCase.szWanted)
        << tCase.szZero;
  }
}

TEST(ChainListing, RowZeroedInItsColumns) {
  const std::pair<const char*, const char*> aCases[] = {
      {"       5      500 x", "       0        0 x"},
      {"5 500 x", "       0        0 x"},
      {"123456789 99999999999 x", "       0        0 x"},
      {"       5      500", "       5      500"},
      {"Chain NR_IN (1 references)", "Chain NR_IN (1 references)"},
      {"       5 x 500 y", "       5 x 500 y"},
      {"\t5 500 x", "\t5 500 x"},
      {"", ""},
  };
  for (const auto& [szLine, szWanted] : aCases) {
    EXPECT_EQ(ZeroRow(szLine), szWanted) << szLine;
  }
}

TEST(RestoreInput, ASectionPerTableInFirstOrder) {
  const std::pair<const char*, const char*> aCases[] = {
      {"", ""},
      {"N -A NR_IN -d 10.0.0.1/32\nF missing\n", ""},
      {"R filter -N NR_IN\n", "*filter\n-N NR_IN\nCOMMIT\n"},
      {"R security -A NR_IN -d 10.0.0.1/32\nX 1\nR filter -D INPUT 3\nR security -X NR_OUT",
       "*security\n-A NR_IN -d 10.0.0.1/32\n-X NR_OUT\nCOMMIT\n*filter\n-D INPUT 3\nCOMMIT\n"},
      {"R filter\n", "*filter\n\nCOMMIT\n"},
  };
  for (const auto& [szPlan, szWanted] : aCases) {
    EXPECT_EQ(WriteRestoreInput(szPlan), szWanted) << szPlan;
  }
}

TEST(MarkNumber, FirstRuleOfTheChainWithTheComment) {
  const mark_case_t aCases[] = {
      {"-N NR_IN\n-A NR_IN -m length --length 0:19 -m comment --comment nr-mark -c 1 5\n", "1"},
      {"-N NR_IN\n-A NR_IN -d 10.0.0.1/32\n-A NR_IN -d 10.0.0.2/32\n-A NR_IN -m comment "
       "--comment nr-mark\n",
       "3"},
      {"-N NR_IN\n-A NR_IN -d 10.0.0.1/32\n", ""},
      {"-A NR_IN -m comment --comment other\n-A NR_IN -m comment --comment nr-mark\n", "2"},
      {"-A NR_OUT -m comment --comment nr-mark\n-A NR_IN -m comment --comment nr-mark\n", "1"},
      {"-A NR_IN -d 10.0.0.7/32 -m comment --comment nr-mark-2\n-A NR_IN -m comment --comment "
       "nr-mark\n",
       "2"},
      {"-A NR_IN -d 10.0.0.7/32 -m comment --comment x.nr-mark\n", ""},
      {"-A NR_IN -m comment --comment\n", ""},
  };
  for (const mark_case_t& tCase : aCases) {
    EXPECT_EQ(FindMarkNumber(tCase.szLines, "NR_IN", "nr-mark"), tCase.szWanted) << tCase.szLines;
  }
}
