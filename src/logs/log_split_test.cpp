// Tests of splitting log text into rows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "logs/logs.h"

namespace {

constexpr const char* kHeader =
    "Chain NET_IN (1 references)\n"
    " pkts bytes target     prot opt in     out     source               destination\n";

void CollectRow(void* pContext, const ipt_data_t& tRow) {
  static_cast<std::vector<ipt_data_t>*>(pContext)->push_back(tRow);
}

struct split_t {
  std::vector<ipt_data_t> tRows;
  int iRefused = 0;
};

split_t Split(const std::string& szText, int32_t iDirection = 0) {
  split_t tResult;
  tResult.iRefused = SplitLogText(szText, iDirection, CollectRow, &tResult.tRows);
  return tResult;
}

// "bytes/destination" of each row, to compare whole results at a glance.
std::vector<std::string> Summarise(const split_t& tSplit) {
  std::vector<std::string> tSummary;
  for (const ipt_data_t& tRow : tSplit.tRows) {
    tSummary.push_back(std::string(tRow.sBytes) + "/" + tRow.sDestination);
  }
  return tSummary;
}

}  // namespace

TEST(LogSplit, ReadsRowsAfterTheTwoHeaderLines) {
  const split_t tSplit =
      Split(std::string(kHeader) +
            "   10   123K            all  --  *      *       0.0.0.0/0    10.0.0.1\n"
            "    3     5M            tcp  --  eth0   *       0.0.0.0/0    10.0.0.2\n");
  ASSERT_EQ(tSplit.tRows.size(), 2u);
  const ipt_data_t& tRow = tSplit.tRows[1];
  EXPECT_STREQ(tRow.sPackets, "3");
  EXPECT_STREQ(tRow.sBytes, "5M");
  EXPECT_STREQ(tRow.sProt, "tcp");
  EXPECT_STREQ(tRow.sOp, "--");
  EXPECT_STREQ(tRow.sIn, "eth0");
  EXPECT_STREQ(tRow.sOut, "*");
  EXPECT_STREQ(tRow.sSource, "0.0.0.0/0");
  EXPECT_STREQ(tRow.sDestination, "10.0.0.2");
}

TEST(LogSplit, TakesTokensAsOneStream) {
  const std::string szHeader = kHeader;
  const std::string szLong1022(1022, 'h');
  const struct {
    const char* szCase;
    std::string szText;
    std::vector<std::string> tExpected;
  } kCases[] = {
      {"header only", szHeader, {}},
      {"nothing at all", "", {}},
      {"no final line break", szHeader + "1 1K all -- * * 0/0 10.0.0.1", {"1K/10.0.0.1"}},
      {"rows across lines", szHeader + "1 1K all -- *\n* 0/0 10.0.0.1\n", {"1K/10.0.0.1"}},
      {"a ninth column shifts what follows",
       szHeader + "1 1K all -- * * 0/0 10.0.0.1 extra\n2 2K all -- * * 0/0 10.0.0.2\n",
       {"1K/10.0.0.1", "2/0/0"}},
      {"a short last row is dropped",
       szHeader + "1 1K all -- * * 0/0 10.0.0.1\n2 2K all\n",
       {"1K/10.0.0.1"}},
      {"a long first header line is skipped in part",
       szLong1022 + "\n" + szHeader.substr(szHeader.find('\n') + 1) +
           "1 1K all -- * * 0/0 10.0.0.1\n",
       {"bytes/source", "1/0/0"}},
      {"a header line of 1021 is skipped whole",
       std::string(1021, 'h') + "\nsecond\n1 1K all -- * * 0/0 10.0.0.1\n",
       {"1K/10.0.0.1"}},
      {"every C white space separates",
       szHeader + "1\t1K\vall\f--\r* * 0/0 10.0.0.1",
       {"1K/10.0.0.1"}},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(Summarise(Split(tCase.szText)), tCase.tExpected) << tCase.szCase;
  }
}

TEST(LogSplit, CutsLongTokensToTheirColumn) {
  const split_t tSplit =
      Split(std::string(kHeader) + std::string(10000, '7') +
            " 1K tcpudp optionx ethernet0 ethernet1 " + std::string(30, 's') + " 10.0.0.1\n");
  ASSERT_EQ(tSplit.tRows.size(), 1u);
  const ipt_data_t& tRow = tSplit.tRows[0];
  EXPECT_STREQ(tRow.sPackets, "77777777");
  EXPECT_STREQ(tRow.sProt, "tcpu");
  EXPECT_STREQ(tRow.sOp, "opti");
  EXPECT_STREQ(tRow.sIn, "ethe");
  EXPECT_STREQ(tRow.sOut, "ethe");
  EXPECT_EQ(std::string(tRow.sSource), std::string(30, 's'));
  EXPECT_STREQ(tRow.sDestination, "10.0.0.1");
}

TEST(LogSplit, RefusesRowsWithAnUnreadableCounterOrLongKey) {
  const std::string szKey49(49, 'k');
  const std::string szKey50(50, 'k');
  const std::string szText =
      std::string(kHeader) +
      "1 123456789K all -- * * 10.0.0.99 10.0.0.1\n"  // counter: 9 and a unit
      "1 12345678 all -- * * 10.0.0.99 " +
      szKey50 +
      "\n"  // key: 50
      "1 1K all -- * * " +
      szKey50 +
      "9 10.0.0.2\n"  // other column: cut
      "1 2K all -- * * 10.0.0.99 " +
      szKey49 +
      "\n"                                                        // key: 49
      "1 18446744073709551615 all -- * * 10.0.0.99 10.0.0.3\n"    // 2^64 - 1: exact
      "1 18446744073709551616 all -- * * 10.0.0.99 10.0.0.4\n"    // 2^64
      "1 123456789012345678901 all -- * * 10.0.0.99 10.0.0.5\n";  // 21 digits
  const split_t tIncoming = Split(szText, 0);
  EXPECT_EQ(tIncoming.iRefused, 4);
  EXPECT_EQ(Summarise(tIncoming), (std::vector<std::string>{"1K/10.0.0.2", "2K/" + szKey49,
                                                            "18446744073709551615/10.0.0.3"}));
  const split_t tOutgoing = Split(szText, 1);
  EXPECT_EQ(tOutgoing.iRefused, 4);
  EXPECT_EQ(Summarise(tOutgoing),
            (std::vector<std::string>{"12345678/" + szKey50.substr(0, 49), "2K/" + szKey49,
                                      "18446744073709551615/10.0.0.3"}));
}

TEST(LogSplit, GivesTheSameRowsWhateverTheChunks) {
  std::string szText = std::string(3000, 'x') + "\n" + kHeader;
  for (int iRow = 0; iRow < 200; ++iRow) {
    szText += std::to_string(iRow) + " " + std::to_string(iRow * 37) +
              "K all -- * * 0.0.0.0/0 10.0." + std::to_string(iRow % 7) + "." +
              std::to_string(iRow) + (iRow % 5 == 0 ? "\r\n" : "\n");
  }
  const std::vector<std::string> tWhole = Summarise(Split(szText));
  std::mt19937 tRandom(7);
  for (int iRound = 0; iRound < 50; ++iRound) {
    split_t tResult;
    log_split_t tSplit;
    StartLogSplit(tSplit, 0);
    std::size_t iAt = 0;
    while (iAt < szText.size()) {
      const std::size_t iChunk = std::min<std::size_t>(tRandom() % 40 + 1, szText.size() - iAt);
      FeedLogSplit(tSplit, szText.data() + iAt, iChunk, CollectRow, &tResult.tRows);
      iAt += iChunk;
    }
    FinishLogSplit(tSplit, CollectRow, &tResult.tRows);
    ASSERT_EQ(Summarise(tResult), tWhole) << "round " << iRound;
  }
  // The rest of the long line and both header lines shift the rows by 14 tokens.
  EXPECT_EQ(tWhole.size(), 201u);
}

TEST(LogSplit, KeepsNulBytesInsideTheirColumn) {
  const std::string szText = std::string(kHeader) + std::string("1 1K all -- * * 0/0 10.0", 24) +
                             std::string(1, '\0') + "junk 2 2K all -- * * 0/0 10.0.0.2";
  EXPECT_EQ(Summarise(Split(szText)), (std::vector<std::string>{"1K/10.0", "2K/10.0.0.2"}));
}
