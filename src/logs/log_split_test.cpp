// Tests of splitting log text into rows, one line each.
#include "logs/log_split.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "logs/logs.h"

namespace {

constexpr const char* kHeader =
    "Chain NET_IN (1 references)\n"
    " pkts bytes target     prot opt in     out     source               destination\n";

// A row's columns, copied: a row's views end with the text they were read from.
struct row_text_t {
  std::string sPackets, sBytes, sProt, sOp, sIn, sOut, sSource, sDestination;
};

struct split_t {
  std::vector<row_text_t> tRows;
  int iRefused = 0;
};

// Splits text fed in chunks of the given sizes (cycled; empty: all at once).
split_t Split(const std::string& szText, const std::vector<std::size_t>& tChunks = {}) {
  split_t tResult;
  log_split_t tSplit;
  StartLogSplit(tSplit);
  auto fCollect = [&tResult](const ipt_data_t& tRow) {
    tResult.tRows.push_back({std::string(tRow.sPackets), std::string(tRow.sBytes),
                             std::string(tRow.sProt), std::string(tRow.sOp), std::string(tRow.sIn),
                             std::string(tRow.sOut), std::string(tRow.sSource),
                             std::string(tRow.sDestination)});
    return true;
  };
  std::size_t iAt = 0;
  for (std::size_t iChunk = 0; iAt < szText.size(); ++iChunk) {
    const std::size_t iWant = tChunks.empty() ? szText.size() : tChunks[iChunk % tChunks.size()];
    const std::size_t iLength = std::min(iWant, szText.size() - iAt);
    FeedLogSplit(tSplit, szText.data() + iAt, iLength, fCollect);
    iAt += iLength;
  }
  FinishLogSplit(tSplit, fCollect);
  tResult.iRefused = tSplit.iRefusedRows;
  return tResult;
}

// "bytes/destination" of each row, then the number of refused rows, to compare whole results.
std::vector<std::string> Summarise(const split_t& tSplit) {
  std::vector<std::string> tSummary;
  for (const row_text_t& tRow : tSplit.tRows) {
    tSummary.push_back(tRow.sBytes + "/" + tRow.sDestination);
  }
  tSummary.push_back("refused " + std::to_string(tSplit.iRefused));
  return tSummary;
}

}  // namespace

TEST(LogSplit, ReadsTheColumnsOfARow) {
  const split_t tSplit =
      Split(std::string(kHeader) +
            "   10   123K            all  --  *      *       0.0.0.0/0    10.0.0.1\n"
            "    3     5M RETURN     tcp  --  eth0   *       10.9.9.9     10.0.0.2   tcp dpt:80\n");
  ASSERT_EQ(tSplit.tRows.size(), 2u);
  const row_text_t& tRow = tSplit.tRows[1];
  EXPECT_EQ(tRow.sPackets, "3");
  EXPECT_EQ(tRow.sBytes, "5M");
  EXPECT_EQ(tRow.sProt, "tcp");
  EXPECT_EQ(tRow.sOp, "--");
  EXPECT_EQ(tRow.sIn, "eth0");
  EXPECT_EQ(tRow.sOut, "*");
  EXPECT_EQ(tRow.sSource, "10.9.9.9");
  EXPECT_EQ(tRow.sDestination, "10.0.0.2");
}

TEST(LogSplit, ReadsOneRowPerLine) {
  const std::string szHeader = kHeader;
  const std::string szLong1022(1022, 'h');
  const std::string szRow = "1 1K all -- * * 0/0 10.0.0.1\n";
  const std::string szComment(4000, 'c');
  using rows_t = std::vector<std::string>;
  const struct {
    const char* szCase;
    std::string szText;
    rows_t tExpected;
  } kCases[] = {
      {"header only", szHeader, {"refused 0"}},
      {"nothing at all", "", {"refused 0"}},
      {"no final line break",
       szHeader + "1 1K all -- * * 0/0 10.0.0.1",
       {"1K/10.0.0.1", "refused 0"}},
      {"a row across two lines is two short rows",
       szHeader + "1 1K all -- *\n* 0/0 10.0.0.1\n",
       {"refused 2"}},
      {"a comment shifts nothing",
       szHeader + "1 1K all -- * * 0/0 10.0.0.1 /* bob laptop */\n2 2K all -- * * 0/0 10.0.0.2\n",
       {"1K/10.0.0.1", "2K/10.0.0.2", "refused 0"}},
      {"a target",
       szHeader + "5 300 RETURN all -- * * 0.0.0.0/0 10.0.0.3\n" + szRow,
       {"300/10.0.0.3", "1K/10.0.0.1", "refused 0"}},
      {"a target and match details",
       szHeader + "5 300 ACCEPT tcp -- eth0 * 0.0.0.0/0 10.0.0.4 tcp dpt:80 /* web */\n",
       {"300/10.0.0.4", "refused 0"}},
      {"match details without a target",
       szHeader + "1 1K tcp -- * * 0/0 10.0.0.5 tcp dpt:80\n",
       {"1K/10.0.0.5", "refused 0"}},
      {"fragment options, with and without a target",
       szHeader + "1 1K all -f * * 0/0 10.0.0.6\n1 2K DROP all !f * * 0/0 10.0.0.7\n",
       {"1K/10.0.0.6", "2K/10.0.0.7", "refused 0"}},
      {"a short line is refused",
       szHeader + szRow + "2 2M all -- * * 10.0.0.2\n",
       {"1K/10.0.0.1", "refused 1"}},
      {"blank lines and an appended listing's titles are skipped",
       szHeader + szRow + "\n \t\r\n" + szHeader + "1 3K all -- * * ::/0 2001:db8::1\r\n",
       {"1K/10.0.0.1", "3K/2001:db8::1", "refused 0"}},
      {"a long first header line is skipped in part, its titles after it",
       szLong1022 + "\n" + szHeader.substr(szHeader.find('\n') + 1) + szRow,
       {"1K/10.0.0.1", "refused 0"}},
      {"a header line of 1021 is skipped whole",
       std::string(1021, 'h') + "\nsecond\n" + szRow,
       {"1K/10.0.0.1", "refused 0"}},
      {"every C white space separates",
       szHeader + "1\t1K\vall\f--\r* * 0/0 10.0.0.1",
       {"1K/10.0.0.1", "refused 0"}},
      {"a long line whose columns come first",
       szHeader + "1 1K all -- * * 0/0 10.0.0.8 /* " + szComment + " " + szComment + " */\n",
       {"1K/10.0.0.8", "refused 0"}},
      {"a long line whose key comes too late",
       szHeader + "1 1K all -- * " + szComment + szComment + " 0/0 10.0.0.9\n",
       {"refused 1"}},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(Summarise(Split(tCase.szText)), tCase.tExpected) << tCase.szCase;
    // Chunks of any size give the same rows, lines that span them included.
    for (const std::size_t iChunk : {1, 7, 63, 64, 65, 100, 4095, 4097}) {
      EXPECT_EQ(Summarise(Split(tCase.szText, {iChunk})), tCase.tExpected)
          << tCase.szCase << ", chunks of " << iChunk;
    }
  }
}

TEST(LogSplit, KeepsLongTokensWhole) {
  const split_t tSplit =
      Split(std::string(kHeader) + std::string(1000, '7') +
            " 1K tcpudp optionx ethernet0 ethernet1 " + std::string(60, 's') + " 10.0.0.1\n");
  ASSERT_EQ(tSplit.tRows.size(), 1u);
  const row_text_t& tRow = tSplit.tRows[0];
  EXPECT_EQ(tRow.sPackets, std::string(1000, '7'));
  EXPECT_EQ(tRow.sProt, "tcpudp");
  EXPECT_EQ(tRow.sOp, "optionx");
  EXPECT_EQ(tRow.sIn, "ethernet0");
  EXPECT_EQ(tRow.sOut, "ethernet1");
  EXPECT_EQ(tRow.sSource, std::string(60, 's'));
  EXPECT_EQ(tRow.sDestination, "10.0.0.1");
}

TEST(LogSplit, GivesTheSameRowsWhateverTheChunks) {
  std::string szText = std::string(3000, 'x') + "\n" + kHeader;
  for (int iRow = 0; iRow < 200; ++iRow) {
    szText +=
        std::to_string(iRow) + " " + std::to_string(iRow * 37) +
        (iRow % 3 == 0 ? "K ACCEPT all -- * * 0.0.0.0/0 10.0." : "K all -- * * 0.0.0.0/0 10.0.") +
        std::to_string(iRow % 7) + "." + std::to_string(iRow) +
        (iRow % 5 == 0    ? "\r\n"
         : iRow % 11 == 0 ? " /* " + std::string(5000, 'c') + " */\n"
                          : "\n");
  }
  const std::vector<std::string> tWhole = Summarise(Split(szText));
  std::mt19937 tRandom(7);
  for (int iRound = 0; iRound < 50; ++iRound) {
    std::vector<std::size_t> tChunks;
    for (int iChunk = 0; iChunk < 20; ++iChunk) {
      tChunks.push_back(iRound % 2 == 0 ? tRandom() % 40 + 1 : tRandom() % 9000 + 1);
    }
    ASSERT_EQ(Summarise(Split(szText, tChunks)), tWhole) << "round " << iRound;
  }
  // The rest of the long line is one refused row; the titles after it are skipped.
  ASSERT_EQ(tWhole.size(), 201u);
  EXPECT_EQ(tWhole.back(), "refused 1");
}

// What follows the destination, read whole and through a line carried across reads: padding
// alone leaves it empty at the line's end (where a rule's text ends), anything else whole.
TEST(LogSplit, KeepsTheRestAfterTheDestination) {
  const struct {
    const char* szLine;
    const char* szRest;
    std::size_t iRuleEnd;  // where the rest ends: the line's length
  } kCases[] = {
      {"1 2K all -- * * 0.0.0.0/0 10.0.0.1", "", 34},
      {"1 2K all -- * * 0.0.0.0/0 10.0.0.1            ", "", 46},
      {"1 2K all -- * * 0.0.0.0/0 10.0.0.1 \t \r", "", 38},
      {"1 2K all -- * * 0.0.0.0/0 10.0.0.1 /* pc */", " /* pc */", 43},
      {"1 2K all -- * * 0.0.0.0/0 10.0.0.1   x   ", "   x   ", 41},
      {"1 2K ACCEPT all -- * * 0.0.0.0/0 10.0.0.1     ", "", 46},
      {"1 2K ACCEPT all -- * * 0.0.0.0/0 10.0.0.1 tcp dpt:80 ", " tcp dpt:80 ", 53},
      {"1 2K ACCEPT all -- * * 0.0.0.0/0 10.0.0.1 a b c d e f", " a b c d e f", 53},
  };
  for (const auto& tCase : kCases) {
    for (const std::size_t iChunk : {std::size_t{0}, std::size_t{5}}) {
      const std::string szText = std::string(kHeader) + tCase.szLine + "\n";
      std::vector<std::string> tRests;
      std::vector<std::size_t> tEnds;
      log_split_t tSplit;
      StartLogSplit(tSplit);
      auto fCollect = [&](const ipt_data_t& tRow) {
        tRests.emplace_back(tRow.sRest);
        // The end of the rule, counted from the start of its row's packets column.
        tEnds.push_back(
            static_cast<std::size_t>(tRow.sRest.data() + tRow.sRest.size() - tRow.sPackets.data()));
        return true;
      };
      for (std::size_t iAt = 0; iAt < szText.size();) {
        const std::size_t iLength =
            iChunk == 0 ? szText.size() : std::min(iChunk, szText.size() - iAt);
        FeedLogSplit(tSplit, szText.data() + iAt, iLength, fCollect);
        iAt += iLength;
      }
      FinishLogSplit(tSplit, fCollect);
      ASSERT_EQ(tRests.size(), 1u) << tCase.szLine;
      EXPECT_EQ(tRests[0], tCase.szRest) << tCase.szLine << " chunk " << iChunk;
      EXPECT_EQ(tEnds[0], tCase.iRuleEnd) << tCase.szLine << " chunk " << iChunk;
    }
  }
}
