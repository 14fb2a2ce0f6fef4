// Tests of reading log files from disk into a table.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "logs/log_split.h"
#include "logs/logs.h"
#include "test_support.h"
#include "time_zone.h"

namespace {

class LogReader : public testing::Test {
 protected:
  log_read_t Read(const std::string& szPath, const char* szName, int32_t iDirection = 0,
                  int iDirFd = -1, bool bListedAsFile = false) {
    const log_file_t tFile = {szPath.c_str(), szName,       GetLogFileDate(szName), iDirection, 1,
                              iDirFd,         bListedAsFile};
    return ProcessLogFile(tFile, tTable_, tRange_);
  }
  double InDay(std::size_t iHost, int32_t iDay) const {
    return GetDayBytes(tTable_.tHosts.at(iHost).bytes_in, iDay);
  }
  const TimeZone tZone_{"UTC"};
  temp_dir_t tDir_;
  host_table_t tTable_;
  report_range_t tRange_;
};

}  // namespace

TEST_F(LogReader, AccountsEveryRowOfAFile) {
  tDir_.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "123K"}, {"10.0.0.2", "5M"}}));
  const log_read_t tRead = Read(tDir_.szPath + "/", "in_20090425120000");
  EXPECT_EQ(tRead.eOutcome, log_outcome_t::kRead);
  EXPECT_EQ(tRead.iRefusedRows, 0);
  ASSERT_EQ(tTable_.tHosts.size(), 2u);
  EXPECT_STREQ(tTable_.tHosts[0].ip, "10.0.0.1");
  EXPECT_DOUBLE_EQ(InDay(0, 0), 0.123);
  EXPECT_DOUBLE_EQ(InDay(1, 0), 5);
  EXPECT_EQ(tRange_.start_date, 20090425ULL);
}

TEST_F(LogReader, ReadsANameInTheDirectoryOpenedOnce) {
  tDir_.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "123K"}, {"10.0.0.2", "5M"}}));
  const int iDirFd = open(tDir_.szPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(iDirFd, 0);
  // The path is only for messages: the name is looked up in the directory.
  const log_read_t tRead = Read("elsewhere/", "in_20090425120000", 0, iDirFd);
  close(iDirFd);
  EXPECT_EQ(tRead.eOutcome, log_outcome_t::kRead);
  EXPECT_STREQ(tRead.szFullFilePath, "elsewhere/in_20090425120000");
  ASSERT_EQ(tTable_.tHosts.size(), 2u);
  EXPECT_DOUBLE_EQ(InDay(0, 0), 0.123);
  EXPECT_DOUBLE_EQ(InDay(1, 0), 5);
}

TEST_F(LogReader, PutsASlashAfterAPathWithoutOne) {
  tDir_.Write("out_20090425120000", MakeLogText(1, {{"10.0.0.1", "2G"}}));
  EXPECT_EQ(Read(tDir_.szPath, "out_20090425120000", 1).eOutcome, log_outcome_t::kRead);
  EXPECT_DOUBLE_EQ(GetDayBytes(tTable_.tHosts.at(0).bytes_out, 0), 2000);
  char szJoined[kTextBuf];
  EXPECT_TRUE(JoinLogPath(szJoined, "./", "f"));
  EXPECT_STREQ(szJoined, "./f");
  EXPECT_TRUE(JoinLogPath(szJoined, "", "f"));
  EXPECT_STREQ(szJoined, "f");
  const std::string szLongPath(1020, 'p');
  EXPECT_FALSE(JoinLogPath(szJoined, szLongPath.c_str(), "name"));
  EXPECT_STREQ(szJoined, "");
  // At the edge: 1023 characters and the terminator fit, one more does not.
  const std::string szPath1018(1018, 'p');
  const struct {
    std::string szPath;
    const char* szFile;
    bool bFits;
    std::string szJoined;
  } kCases[] = {
      {szPath1018, "name", true, szPath1018 + "/name"},
      {szPath1018 + "/", "name", true, szPath1018 + "/name"},
      {szPath1018 + "p", "name", false, ""},
      {szPath1018 + "p/", "name", false, ""},
      {"dir", "", true, "dir/"},
      {"/", "f", true, "/f"},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(JoinLogPath(szJoined, tCase.szPath.c_str(), tCase.szFile), tCase.bFits)
        << tCase.szPath.size() << " " << tCase.szFile;
    EXPECT_EQ(std::string(szJoined), tCase.szJoined) << tCase.szPath.size();
  }
}

TEST_F(LogReader, SaysWhatBecameOfWhatIsNotARegularFile) {
  const std::string szLog = MakeLogText(0, {{"10.0.0.1", "1M"}});
  tDir_.Write("target", szLog);
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
  ASSERT_EQ(symlink("target", (tDir_.szPath + "/in_20090425040000").c_str()), 0);
  // A sparse file far larger than any snapshot is refused before a byte of it is read.
  const int iSparse = open((tDir_.szPath + "/in_20090425050000").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_EQ(ftruncate(iSparse, kMaxLogFileBytes + 1), 0);
  close(iSparse);
  const std::string szLongPath = tDir_.szPath + "/" + std::string(1100, 'd');
  const struct {
    std::string szPath;
    const char* szName;
    log_outcome_t eOutcome;
  } kCases[] = {
      {tDir_.szPath, "in_20090425000000", log_outcome_t::kNotAFile},
      {tDir_.szPath, "in_20090425010000", log_outcome_t::kNotAFile},
      {tDir_.szPath, "in_20090425020000", log_outcome_t::kNotAFile},
      {tDir_.szPath, "in_20090425030000", log_outcome_t::kSymlink},
      {tDir_.szPath, "in_20090425040000", log_outcome_t::kSymlink},
      {tDir_.szPath, "in_20090425050000", log_outcome_t::kTooLarge},
      {tDir_.szPath, "missing_20090425000000", log_outcome_t::kUnreadable},
      {szLongPath, "in_20090425000000", log_outcome_t::kUnreadable},
      {"", "/dev/zero", log_outcome_t::kNotAFile},
  };
  // The same, each name looked up in the directory opened once.
  const int iDirFd = open(tDir_.szPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(iDirFd, 0);
  for (const auto& tCase : kCases) {
    EXPECT_EQ(Read(tCase.szPath, tCase.szName).eOutcome, tCase.eOutcome) << tCase.szName;
    if (tCase.szPath == tDir_.szPath) {
      EXPECT_EQ(Read(tCase.szPath, tCase.szName, 0, iDirFd).eOutcome, tCase.eOutcome)
          << tCase.szName << " in the opened directory";
      // A regular file when it was listed, swapped since: what is opened is still looked at.
      EXPECT_EQ(Read(tCase.szPath, tCase.szName, 0, iDirFd, true).eOutcome, tCase.eOutcome)
          << tCase.szName << " listed as a file";
    }
  }
  close(iDirFd);
  close(iSocket);
  EXPECT_TRUE(tTable_.tHosts.empty());
  EXPECT_EQ(tRange_.start_date, 0ULL);
}

TEST_F(LogReader, CountsRefusedRowsAndAccountsTheRest) {
  tDir_.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "1234567890K"},
                                                   {"10.0.0.2", "1K"},
                                                   {std::string(50, 'a'), "2K"},
                                                   {"10.0.0.3", "1234567890"},
                                                   {"=HYPERLINK(\"x\")", "3K"},
                                                   {"\x1b[2J", "3K"},
                                                   {"<b>x</b>", "3K"},
                                                   {"10.0.0.4", "1.5G"},
                                                   {"10.0.0.5", "18446744073709551616"}}) +
                                       "\x01\x02\x03 junk\n" +
                                       std::string("1 1K all -- * * 0/0 10.0\0.1\n", 28));
  const log_read_t tRead = Read(tDir_.szPath, "in_20090425120000");
  EXPECT_EQ(tRead.eOutcome, log_outcome_t::kRead);
  EXPECT_EQ(tRead.iRefusedRows, 9);
  EXPECT_EQ(std::string(tRead.szFullFilePath), tDir_.szPath + "/in_20090425120000");
  ASSERT_EQ(tTable_.tHosts.size(), 2u);
  EXPECT_STREQ(tTable_.tHosts[0].ip, "10.0.0.2");
  EXPECT_STREQ(tTable_.tHosts[1].ip, "10.0.0.3");
  EXPECT_DOUBLE_EQ(InDay(1, 0), 1234.56789);
}

TEST_F(LogReader, ReadsLogsLargerThanOneChunk) {
  std::vector<std::pair<std::string, std::string>> tRows;
  for (int iRow = 0; iRow < 3000; ++iRow) {
    tRows.emplace_back("10.0." + std::to_string(iRow % 100) + ".1", std::to_string(iRow + 1) + "K");
  }
  tDir_.Write("in_20090425120000", MakeLogText(0, tRows));
  EXPECT_EQ(Read(tDir_.szPath, "in_20090425120000").eOutcome, log_outcome_t::kRead);
  // Each host's 30 rows are one reading, their sum: 1K+101K+...+2901K for the first.
  EXPECT_NEAR(InDay(0, 0), 43.53, 1e-9);
  EXPECT_NEAR(InDay(99, 0), 46.5, 1e-9);
}

// A file is read in 64 KiB parts: its last row counts whichever part it ends in, whether the
// file was looked at before it was opened or only after its first read.
TEST(LogReaderSizes, ReadsTheLastRowOfAFileOfAnySize) {
  constexpr std::size_t kChunk = std::size_t{64} * 1024;
  const std::string szRows = MakeLogText(0, {{"10.0.0.1", "3K"}, {"10.0.0.2", "5K"}});
  const std::string szLast = "1 7000 all -- * * 0.0.0.0/0 10.0.0.3\n";
  const struct {
    std::size_t iSize;  // of the whole file
    bool bListedAsFile;
  } kCases[] = {
      {500, true},
      {500, false},
      {kChunk - 1, true},
      {kChunk - 1, false},
      {kChunk, true},
      {kChunk, false},
      {kChunk + 1, true},
      {kChunk + 1, false},
      {2 * kChunk, true},
      {2 * kChunk + 37, true},
      {2 * kChunk + 37, false},
  };
  const TimeZone tZone{"UTC"};
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    // Blanks between the rows and the last one, which then ends the file exactly.
    const std::size_t iPad = tCase.iSize - szRows.size() - szLast.size() - 1;
    tDir.Write("in_20090425120000", szRows + std::string(iPad, ' ') + "\n" + szLast);
    const int iDirFd = open(tDir.szPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(iDirFd, 0);
    const log_file_t tFile = {tDir.szPath.c_str(), "in_20090425120000", 20090425, 0, 1, iDirFd,
                              tCase.bListedAsFile};
    host_table_t tTable;
    report_range_t tRange;
    const log_read_t tRead = ProcessLogFile(tFile, tTable, tRange);
    close(iDirFd);
    EXPECT_EQ(tRead.eOutcome, log_outcome_t::kRead) << tCase.iSize;
    EXPECT_EQ(tRead.llReadings, 3) << tCase.iSize;
    ASSERT_EQ(tTable.tHosts.size(), 3u) << tCase.iSize;
    EXPECT_DOUBLE_EQ(GetDayBytes(tTable.tHosts[0].bytes_in, 0), 0.003) << tCase.iSize;
    EXPECT_DOUBLE_EQ(GetDayBytes(tTable.tHosts[1].bytes_in, 0), 0.005) << tCase.iSize;
    EXPECT_DOUBLE_EQ(GetDayBytes(tTable.tHosts[2].bytes_in, 0), 0.007) << tCase.iSize;
  }
}

// A file listed as regular is still looked at once it is opened: a pipe swapped in since is
// passed over and left as it is, whatever its writer put in it (a snapshot's text ending a
// line included, which a read alone would give as a short file's all).
TEST(LogReaderSizes, PassesOverAPipeSwappedInWhateverItHolds) {
  const struct {
    std::size_t iWritten;
    bool bEndsLine;
  } kCases[] = {{500, true}, {500, false}, {4095, false}, {4096, true}, {4097, true}, {8192, true}};
  const TimeZone tZone{"UTC"};
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    const std::string szPipe = tDir.szPath + "/in_20090425120000";
    ASSERT_EQ(mkfifo(szPipe.c_str(), 0600), 0);
    // Both ends in one descriptor: the write does not wait for a reader.
    const int iWriter = open(szPipe.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(iWriter, 0);
    std::string szText = MakeLogText(0, {{"10.0.0.1", "3K"}});
    szText.resize(tCase.iWritten, ' ');
    szText.back() = tCase.bEndsLine ? '\n' : ' ';
    ASSERT_EQ(write(iWriter, szText.data(), szText.size()), static_cast<ssize_t>(szText.size()));
    const int iDirFd = open(tDir.szPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(iDirFd, 0);
    const log_file_t tFile = {
        tDir.szPath.c_str(), "in_20090425120000", 20090425, 0, 1, iDirFd, true};
    host_table_t tTable;
    report_range_t tRange;
    EXPECT_EQ(ProcessLogFile(tFile, tTable, tRange).eOutcome, log_outcome_t::kNotAFile)
        << tCase.iWritten << " " << tCase.bEndsLine;
    EXPECT_TRUE(tTable.tHosts.empty()) << tCase.iWritten;
    std::string szLeft(tCase.iWritten + 1, '\0');
    EXPECT_EQ(read(iWriter, szLeft.data(), szLeft.size()), static_cast<ssize_t>(tCase.iWritten))
        << tCase.iWritten << ": what the writer put in is still there";
    close(iDirFd);
    close(iWriter);
  }
}

namespace {

// The plain way to read a log: line reads for the header, then a line at a time split by a
// string stream, the rules applied one by one.
std::vector<std::string> ReadPlainly(const std::string& szText, int32_t iDirection) {
  std::vector<std::string> tRows;
  std::size_t iAt = 0;
  for (int iHeader = 0; iHeader < 2 && iAt < szText.size(); ++iHeader) {
    const std::size_t iBreak = szText.find('\n', iAt);
    const std::size_t iLineEnd = iBreak == std::string::npos ? szText.size() : iBreak;
    iAt = iLineEnd - iAt >= 1022 ? iAt + 1022 : iLineEnd + 1;
  }
  while (iAt < szText.size()) {
    const std::size_t iBreak = szText.find('\n', iAt);
    const std::string szLine =
        szText.substr(iAt, iBreak == std::string::npos ? std::string::npos : iBreak - iAt);
    iAt = iBreak == std::string::npos ? szText.size() : iBreak + 1;
    std::istringstream tLine(szLine);
    std::vector<std::string> tTokens;
    for (std::string szToken; tLine >> szToken;) {
      tTokens.push_back(szToken);
    }
    if (tTokens.empty() || tTokens[0] == "Chain" || tTokens[0] == "pkts") {
      continue;
    }
    if (tTokens.size() < 8) {
      tRows.emplace_back("refused");
      continue;
    }
    const auto IsOption = [](const std::string& szToken) {
      return szToken == "--" || szToken == "-f" || szToken == "!f";
    };
    const std::size_t iProt =
        tTokens.size() >= 9 && !IsOption(tTokens[3]) && IsOption(tTokens[4]) ? 3 : 2;
    const std::string& szKey = tTokens[iDirection == 0 ? iProt + 5 : iProt + 4];
    if (!IsByteTokenReadable(tTokens[1]) || !IsHostKeyReadable(szKey)) {
      tRows.emplace_back("refused");
      continue;
    }
    tRows.push_back(tTokens[1] + "|" + szKey);
  }
  return tRows;
}

}  // namespace

// The chunked splitter and the row checks must give what plain line reads give, on any text.
TEST_F(LogReader, SplitsAsPlainLineReadsDo) {
  std::mt19937 tRandom(2026);
  const char* kSpaces[] = {" ", "  ", "\t", "\n", "\r\n", "\v", "\f", "          ", "\n\n"};
  const char* kWords[] = {"--", "-f", "!f", "RETURN", "all", "*", "/*", "Chain", "pkts"};
  for (int iFile = 0; iFile < 300; ++iFile) {
    std::string szText;
    for (int iHeader = 0; iHeader < 2; ++iHeader) {
      const std::size_t iLength = tRandom() % 4 == 0 ? 1000 + tRandom() % 60 : tRandom() % 90;
      szText += std::string(iLength, static_cast<char>('a' + iHeader)) + "\n";
    }
    const int iTokens = static_cast<int>(tRandom() % 200);
    for (int iToken = 0; iToken < iTokens; ++iToken) {
      if (tRandom() % 4 == 0) {
        szText += kWords[tRandom() % 9];
      } else {
        const std::size_t iLength = tRandom() % 10 == 0 ? 1 + tRandom() % 60 : 1 + tRandom() % 12;
        // Some tokens of digits only, so that long exact counts come up.
        const std::size_t iAlphabet = tRandom() % 3 == 0 ? 10 : 25;
        for (std::size_t iChar = 0; iChar < iLength; ++iChar) {
          szText += "0123456789KMGT.abcxyz/-:"[tRandom() % iAlphabet];
        }
      }
      szText += kSpaces[tRandom() % 9];
    }
    if (tRandom() % 2 == 0 && !szText.empty()) {
      szText.pop_back();  // no final line break
    }
    for (int32_t iDirection = 0; iDirection < 2; ++iDirection) {
      std::vector<std::string> tPlain = ReadPlainly(szText, iDirection);
      std::vector<std::string> tFast;
      log_split_t tSplit;
      StartLogSplit(tSplit);
      auto fCollect = [&tFast, iDirection](const ipt_data_t& tRow) {
        const std::string_view szKey = iDirection == 0 ? tRow.sDestination : tRow.sSource;
        if (!IsByteTokenReadable(tRow.sBytes) || !IsHostKeyReadable(szKey)) {
          return false;
        }
        tFast.push_back(std::string(tRow.sBytes) + "|" + std::string(szKey));
        return true;
      };
      for (std::size_t iAt = 0; iAt < szText.size(); iAt += 61) {
        FeedLogSplit(tSplit, szText.data() + iAt, std::min<std::size_t>(61, szText.size() - iAt),
                     fCollect);
      }
      FinishLogSplit(tSplit, fCollect);
      const auto iRefused = std::count(tPlain.begin(), tPlain.end(), "refused");
      tPlain.erase(std::remove(tPlain.begin(), tPlain.end(), "refused"), tPlain.end());
      ASSERT_EQ(tFast, tPlain) << "file " << iFile << "\n" << szText;
      ASSERT_EQ(tSplit.iRefusedRows, iRefused) << "file " << iFile << "\n" << szText;
    }
  }
}
