// The nftables backend's small readings against nft's listings and the kit's snapshots: a case
// a line, the text read, then what is written.
#include "kit/nft_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kHead =
    "Chain NR_OUT (2 references)\n"
    "    pkts      bytes target     prot opt in     out     source               destination\n";

std::string FullRow(const char* szBytes, const char* szSubnet) {
  return std::string("       3 ") + szBytes + "            all  --  *      *       " + szSubnet +
         "            0.0.0.0/0            /* not counted: set full */\n";
}

struct filled_case_t {
  std::string szPrevious;
  std::string szNew;
  bool bFilled;
};

}  // namespace

TEST(NftStructure, CountersAndElementsLeftOut) {
  const std::pair<const char*, const char*> aCases[] = {
      {"table inet netreckon {\n}\n", "table inet netreckon {\n}\n"},
      {"\t\tip daddr 10.0.0.1 counter packets 5 bytes 500 comment \"printer\"",
       "ip daddr 10.0.0.1 counter comment \"printer\"\n"},
      {" \t counter packets 0 bytes 18446744073709551615 return\n", "counter return\n"},
      {"counter packets 1 bytes 2 counter packets 3 bytes 4\n",
       "counter counter packets 3 bytes 4\n"},
      {"counter packets x bytes 2 counter packets 3 bytes 4\n",
       "counter packets x bytes 2 counter\n"},
      {"counter packets  bytes \n", "counter\n"},
      {"\tset S {\n\t\tcounter\n\t\telements = { 10.0.1.7 counter packets 2 bytes 18 expires 5m,\n"
       "\t\t\t     10.0.1.9 counter packets 0 bytes 0 expires 3m }\n\t}\n",
       "set S {\ncounter\n}\n"},
      {"\t\telements = { 10.0.1.7 }\n\t\ttimeout 1h\n", "timeout 1h\n"},
      {"\t\telements = { 10.0.1.7,\n\t\t\t10.0.1.8,\n\t\t\t10.0.1.9 }\n\t}\n", "}\n"},
      {"\t\tflags dynamic,timeout\n\r\n", "flags dynamic,timeout\n\n"},
  };
  for (const auto& [szListing, szWanted] : aCases) {
    EXPECT_EQ(NftStructure(szListing), szWanted) << szListing;
  }
}

TEST(NftSetFilled, ARowOfAFullSetThatGrew) {
  const std::string szHost =
      "       5      500            all  --  *      *       10.0.1.7             0.0.0.0/0\n";
  const filled_case_t aCases[] = {
      {std::string(kHead), std::string(kHead), false},
      {std::string(kHead), std::string(kHead) + FullRow("0", "10.0.1.0/24"), false},
      {std::string(kHead), std::string(kHead) + FullRow("1", "10.0.1.0/24"), true},
      {std::string(kHead) + FullRow("60", "10.0.1.0/24"),
       std::string(kHead) + FullRow("60", "10.0.1.0/24"), false},
      {std::string(kHead) + FullRow("60", "10.0.1.0/24"),
       std::string(kHead) + FullRow("61", "10.0.1.0/24"), true},
      {std::string(kHead) + FullRow("61", "10.0.1.0/24"),
       std::string(kHead) + FullRow("60", "10.0.1.0/24"), false},
      {std::string(kHead) + FullRow("9", "10.0.1.0/24"),
       std::string(kHead) + FullRow("10", "10.0.1.0/24"), true},
      {std::string(kHead) + FullRow("18446744073709551614", "10.0.1.0/24"),
       std::string(kHead) + FullRow("18446744073709551615", "10.0.1.0/24"), true},
      {std::string(kHead) + FullRow("60", "10.0.1.0/24"),
       std::string(kHead) + FullRow("60", "10.0.2.0/24"), true},
      {std::string(kHead) + FullRow("60", "10.0.1.0/24"), std::string(kHead) + szHost, false},
      {std::string(kHead), std::string(kHead) + szHost, false},
      {"", FullRow("5", "10.0.1.0/24") + FullRow("5", "10.0.1.0/24") + FullRow("7", "10.0.2.0/24"),
       true},
  };
  for (const filled_case_t& tCase : aCases) {
    EXPECT_EQ(SetFilled(tCase.szPrevious, tCase.szNew), tCase.bFilled) << tCase.szNew;
  }
}

TEST(NftMarks, ReplacedByHandleInTheKitsChains) {
  const nft_marks_request_t tRequest = {"netreckon", "NR_IN", "NR_OUT", "nr-mark",
                                        "20261102120000"};
  const std::pair<const char*, const char*> aCases[] = {
      {"table inet netreckon { # handle 7\n"
       "\tchain NR_IN { # handle 1\n"
       "\t\tmeta length 0-19 counter packets 1 bytes 5 comment \"nr-mark\" # handle 4\n"
       "\t\tip daddr 10.0.0.1 counter packets 5 bytes 500 comment \"printer\" # handle 5\n"
       "\t}\n"
       "\tchain NR_OUT { # handle 2\n"
       "\t\tmeta length 0-19 counter packets 1 bytes 5 comment \"nr-mark\" # handle 12\n"
       "\t}\n"
       "\tchain input { # handle 3\n"
       "\t\tmeta length 0-19 counter packets 1 bytes 5 comment \"nr-mark\" # handle 13\n"
       "\t}\n}\n",
       "replace rule inet netreckon NR_IN handle 4 meta length 0-19 counter packets 1 bytes "
       "20261102120000 comment \"nr-mark\"\n"
       "replace rule inet netreckon NR_OUT handle 12 meta length 0-19 counter packets 1 bytes "
       "20261102120000 comment \"nr-mark\"\n"},
      {"\tchain NR_IN {\n\t\tcounter comment \"nr-mark2\" # handle 4\n\t}\n", ""},
      {"\tchain NR_IN_rpf {\n\t\tcounter comment \"nr-mark\" # handle 4\n\t}\n", ""},
      {"\t\tcounter comment \"nr-mark\" # handle 4\n", ""},
      {"\tchain NR_IN {\n\t\tcounter comment \"nr-mark\"\n\t}\n", ""},
  };
  for (const auto& [szListing, szWanted] : aCases) {
    EXPECT_EQ(ReplaceMarks(szListing, tRequest), szWanted) << szListing;
  }
}

TEST(NftZeroRows, EveryRowAfterTheTitles) {
  const std::pair<std::string, std::string> aCases[] = {
      {kHead, kHead},
      {std::string(kHead) + FullRow("60", "10.0.1.0/24"),
       std::string(kHead) +
           "       0        0            all  --  *      *       10.0.1.0/24            "
           "0.0.0.0/0            /* not counted: set full */\n"},
      {"       1        2 x\n       3        4 y\n       5        6 z",
       "       1        2 x\n       3        4 y\n       0        0 z\n"},
  };
  for (const auto& [szSnapshot, szWanted] : aCases) {
    EXPECT_EQ(ZeroRows(szSnapshot), szWanted) << szSnapshot;
  }
}
