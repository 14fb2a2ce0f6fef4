// Tests of reading log files from disk into a table.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "logs/logs.h"
#include "test_support.h"
#include "time_zone.h"

namespace {

class LogReader : public testing::Test {
 protected:
  void SetUp() override { ResetReportRange(); }
  void TearDown() override { ResetReportRange(); }
  const TimeZone tZone_{"UTC"};
  temp_dir_t tDir_;
  host_table_t tTable_ = {};
};

}  // namespace

TEST_F(LogReader, AccountsEveryRowOfAFile) {
  tDir_.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "123K"}, {"10.0.0.2", "5M"}}));
  ProcessLogFile((tDir_.szPath + "/").c_str(), "in_20090425120000", tTable_, 0, 1);
  EXPECT_STREQ(tTable_[0].ip, "10.0.0.1");
  EXPECT_DOUBLE_EQ(tTable_[0].bytes_in[0], 0.123);
  EXPECT_STREQ(tTable_[1].ip, "10.0.0.2");
  EXPECT_DOUBLE_EQ(tTable_[1].bytes_in[0], 5);
  EXPECT_EQ(start_date, 20090425ULL);
}

TEST_F(LogReader, PutsASlashAfterAPathWithoutOne) {
  tDir_.Write("out_20090425120000", MakeLogText(1, {{"10.0.0.1", "2G"}}));
  ProcessLogFile(tDir_.szPath.c_str(), "out_20090425120000", tTable_, 1, 1);
  EXPECT_DOUBLE_EQ(tTable_[0].bytes_out[0], 2000);
  char szJoined[kTextBuf];
  EXPECT_TRUE(JoinLogPath(szJoined, "./", "f"));
  EXPECT_STREQ(szJoined, "./f");
  EXPECT_TRUE(JoinLogPath(szJoined, "", "f"));
  EXPECT_STREQ(szJoined, "f");
  const std::string szLongPath(1020, 'p');
  EXPECT_FALSE(JoinLogPath(szJoined, szLongPath.c_str(), "name"));
  EXPECT_STREQ(szJoined, "");
}

TEST_F(LogReader, AccountsNothingFromWhatIsNotARegularFile) {
  ASSERT_EQ(mkdir((tDir_.szPath + "/in_20090425000000").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo((tDir_.szPath + "/in_20090425010000").c_str(), 0600), 0);
  const int iSocket = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un tAddress = {};
  tAddress.sun_family = AF_UNIX;
  const std::string szSocket = tDir_.szPath + "/in_20090425020000";
  ASSERT_LT(szSocket.size(), sizeof tAddress.sun_path);
  CopyText(tAddress.sun_path, sizeof tAddress.sun_path, szSocket);
  ASSERT_EQ(bind(iSocket, reinterpret_cast<sockaddr*>(&tAddress), sizeof tAddress), 0);
  ASSERT_EQ(symlink("in_20090425030000", (tDir_.szPath + "/in_20090425030000").c_str()), 0);
  for (const char* szName : {"in_20090425000000", "in_20090425010000", "in_20090425020000",
                             "in_20090425030000", "missing_20090425000000", "/dev/null"}) {
    ProcessLogFile(tDir_.szPath.c_str(), szName, tTable_, 0, 1);
  }
  ProcessLogFile("", "/dev/zero", tTable_, 0, 1);  // a character device
  close(iSocket);
  EXPECT_EQ(tTable_[0].ip[0], '\0');
  EXPECT_EQ(start_date, 0ULL);
}

TEST_F(LogReader, NamesTheFileWithRefusedRowsOnce) {
  tDir_.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "1234567890K"},
                                                   {"10.0.0.2", "1K"},
                                                   {std::string(50, 'a'), "2K"},
                                                   {"10.0.0.3", "1234567890"}}));
  testing::internal::CaptureStderr();
  ProcessLogFile(tDir_.szPath.c_str(), "in_20090425120000", tTable_, 0, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Refused 2 rows of [" + tDir_.szPath +
                "/in_20090425120000]: byte counter neither rounded nor an exact count below 2^64, "
                "or host address over 49 characters\n");
  EXPECT_STREQ(tTable_[0].ip, "10.0.0.2");
  EXPECT_STREQ(tTable_[1].ip, "10.0.0.3");
  EXPECT_DOUBLE_EQ(tTable_[1].bytes_in[0], 1234.56789);
  EXPECT_EQ(tTable_[2].ip[0], '\0');
}

TEST_F(LogReader, ReadsLogsLargerThanOneChunk) {
  std::vector<std::pair<std::string, std::string>> tRows;
  for (int iRow = 0; iRow < 3000; ++iRow) {
    tRows.emplace_back("10.0." + std::to_string(iRow % 100) + ".1", std::to_string(iRow + 1) + "K");
  }
  tDir_.Write("in_20090425120000", MakeLogText(0, tRows));
  ProcessLogFile(tDir_.szPath.c_str(), "in_20090425120000", tTable_, 0, 0);
  // Each host's rows grow its counter: the last reading stays, 2901K to 3000K.
  EXPECT_NEAR(tTable_[0].bytes_in[0], 2.901, 1e-9);
  EXPECT_NEAR(tTable_[99].bytes_in[0], 3.0, 1e-9);
}

namespace {

// The plain way to read a log: line reads for the header, then formatted token reads.
std::vector<std::string> ReadWithStdio(const std::string& szPath, int32_t iDirection) {
  std::vector<std::string> tRows;
  FILE* pFile = std::fopen(szPath.c_str(), "r");
  char szDiscard[kTextBuf];
  if (std::fgets(szDiscard, 1023, pFile) != nullptr) {
    (void)std::fgets(szDiscard, 1023, pFile);
  }
  static char s_aToken[kRowColumns][4096];
  while (!std::feof(pFile)) {
    const int iCount = std::fscanf(pFile, "%4095s %4095s %4095s %4095s %4095s %4095s %4095s %4095s",
                                   s_aToken[0], s_aToken[1], s_aToken[2], s_aToken[3], s_aToken[4],
                                   s_aToken[5], s_aToken[6], s_aToken[7]);
    if (iCount != kRowColumns) {
      break;
    }
    const std::size_t iKeyLength = std::strlen(s_aToken[iDirection == 0 ? 7 : 6]);
    if (!IsByteTokenReadable(s_aToken[1]) || iKeyLength > 49) {
      tRows.emplace_back("refused");
      continue;
    }
    const std::size_t aiWidth[kRowColumns] = {8, 20, 4, 4, 4, 4, 49, 49};
    std::string szRow;
    for (int iColumn = 0; iColumn < kRowColumns; ++iColumn) {
      szRow += std::string(s_aToken[iColumn]).substr(0, aiWidth[iColumn]) + "|";
    }
    tRows.push_back(szRow);
  }
  std::fclose(pFile);
  return tRows;
}

struct collected_t {
  std::vector<std::string> tRows;
};

void CollectColumns(void* pContext, const ipt_data_t& tRow) {
  std::string szRow;
  for (const char* szColumn : {tRow.sPackets, tRow.sBytes, tRow.sProt, tRow.sOp, tRow.sIn,
                               tRow.sOut, tRow.sSource, tRow.sDestination}) {
    szRow += std::string(szColumn) + "|";
  }
  static_cast<collected_t*>(pContext)->tRows.push_back(szRow);
}

}  // namespace

// The buffered splitter must give the rows that line and token reads give, on any text.
TEST_F(LogReader, SplitsAsFormattedReadsDo) {
  std::mt19937 tRandom(2026);
  const char* kSpaces[] = {" ", "  ", "\t", "\n", "\r\n", "\v", "\f", "          "};
  for (int iFile = 0; iFile < 300; ++iFile) {
    std::string szText;
    for (int iHeader = 0; iHeader < 2; ++iHeader) {
      const std::size_t iLength = tRandom() % 4 == 0 ? 1000 + tRandom() % 60 : tRandom() % 90;
      szText += std::string(iLength, static_cast<char>('a' + iHeader)) + "\n";
    }
    const int iTokens = static_cast<int>(tRandom() % 120);
    for (int iToken = 0; iToken < iTokens; ++iToken) {
      const std::size_t iLength = tRandom() % 10 == 0 ? 1 + tRandom() % 60 : 1 + tRandom() % 12;
      // Some tokens of digits only, so that long exact counts come up.
      const std::size_t iAlphabet = tRandom() % 3 == 0 ? 10 : 23;
      for (std::size_t iChar = 0; iChar < iLength; ++iChar) {
        szText += "0123456789KMG.abcxyz/-*"[tRandom() % iAlphabet];
      }
      szText += kSpaces[tRandom() % 8];
    }
    if (tRandom() % 2 == 0 && !szText.empty()) {
      szText.pop_back();  // no final line break
    }
    const std::string szPath = tDir_.Write("log", szText);
    for (int32_t iDirection = 0; iDirection < 2; ++iDirection) {
      std::vector<std::string> tPlain = ReadWithStdio(szPath, iDirection);
      collected_t tFast;
      const int iRefused = SplitLogText(szText, iDirection, CollectColumns, &tFast);
      tPlain.erase(std::remove(tPlain.begin(), tPlain.end(), "refused"), tPlain.end());
      ASSERT_EQ(tFast.tRows, tPlain) << "file " << iFile << "\n" << szText;
      ASSERT_GE(iRefused, 0);
    }
  }
}
