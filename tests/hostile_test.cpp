// Hostile input run as processes: the program must end, exit as documented, print its report and
// never trip a sanitizer, whatever the directory or the command line holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// The console report's frame with any hosts and totals in it.
const std::regex kConsoleReport(
    "netreckon\nWritten by the netreckon developers.\n\n"
    "Using filter date-range \\[[^\n]*\\] - \\[[^\n]*\\]\n={101}\n"
    "Bandwidth usage from: (?:[0-9]+ to [0-9]+|none to none)\n"
    "(Totals for host \\[[^\n]*\\]\tIncoming \\[-?[0-9]+\\.[0-9]{2} MB\\]\tOutgoing "
    "\\[-?[0-9]+\\.[0-9]{2} MB\\]\tTotal \\[-?[0-9]+\\.[0-9]{2} MB\\]\n)*"
    "={101}\nTotals for all hosts in filter\tIncoming \\[-?[0-9]+\\.[0-9]{2} MB\\]\tOutgoing "
    "\\[-?[0-9]+\\.[0-9]{2} MB\\]\tTotal \\[-?[0-9]+\\.[0-9]{2} MB\\]\n\n"
    "Elapsed time to generate stats: [0-9]+\\.[0-9]{2}\n");

// Runs a console report and checks that it ended cleanly with a whole report; status 1 says a
// directory could not be listed or readings fell outside the report's days.
run_result_t RunClean(const std::vector<std::string>& tArgs, int iExpectedStatus = 0) {
  run_result_t tRun = RunNetreckon(tArgs, "UTC", 60);
  EXPECT_FALSE(tRun.bTimedOut);
  EXPECT_EQ(tRun.iExitStatus, iExpectedStatus) << tArgs[1] << " " << tArgs[2];
  EXPECT_EQ(tRun.szStderr.find("Sanitizer"), std::string::npos) << tRun.szStderr;
  EXPECT_EQ(tRun.szStderr.find("runtime error"), std::string::npos) << tRun.szStderr;
  if (iExpectedStatus == 2) {
    EXPECT_EQ(tRun.szStdout, "");
  } else {
    EXPECT_TRUE(std::regex_match(tRun.szStdout, kConsoleReport)) << tRun.szStdout;
  }
  return tRun;
}

std::string HostLine(const std::string& szHost, const std::string& szIn, const std::string& szOut,
                     const std::string& szTotal) {
  return "Totals for host [" + szHost + "]\tIncoming [" + szIn + " MB]\tOutgoing [" + szOut +
         " MB]\tTotal [" + szTotal + " MB]\n";
}

const std::string kHeaders =
    "Chain NET_IN (1 references)\n"
    " pkts bytes target     prot opt in     out     source               destination\n";

// A baseline whose only reading is 0 and an outgoing snapshot without rows: the frame of a
// run that has nothing to say about either.
void WriteQuietFrame(const temp_dir_t& tDir) {
  tDir.Write("in_20090424230000", kHeaders + "0 0 all -- * * 0/0 10.0.0.1\n");
  tDir.Write("out_20090425000000", kHeaders);
}

}  // namespace

TEST(Hostile, OddLogContentsEndWithTheDocumentedHosts) {
  const std::string szRow = "1 1M all -- * * 0/0 10.0.0.1\n";
  const struct {
    const char* szCase;
    std::string szContents;
    std::vector<std::string> tHostLines;
    std::string szStderr;
  } kCases[] = {
      // The rest of a megabyte line is one refused row; the column titles after it are skipped.
      {"megabyte header line",
       std::string(1 << 20, 'h') + "\n" + kHeaders.substr(28) + szRow,
       {HostLine("10.0.0.1", "1.00", "0.00", "1.00")},
       "netreckon: refused 1 rows of"},
      {"ten-thousand-character tokens",
       kHeaders + "1 1M all -- * * " + std::string(10000, 's') + " 10.0.0.1\n" +
           std::string(10000, '7') + " 2M " + std::string(10000, 'p') + " -- * * 0/0 10.0.0.2\n" +
           "1 1M all -- * * 0/0 " + std::string(10000, '9') + "\n" + szRow,
       {HostLine("10.0.0.1", "1.00", "0.00", "1.00")},
       "netreckon: refused 3 rows of"},
      {"a comment or a target shifts nothing",
       kHeaders + "1 1M all -- * * 0/0 10.0.0.1 /* bob laptop */\n2 2M RETURN all -- * * 0/0 "
                  "10.0.0.2\n3 3M tcp -- * * 0/0 10.0.0.3 tcp dpt:80\n",
       {HostLine("10.0.0.1", "1.00", "0.00", "1.00"), HostLine("10.0.0.2", "2.00", "0.00", "2.00"),
        HostLine("10.0.0.3", "3.00", "0.00", "3.00")},
       ""},
      {"a row of seven columns is refused",
       kHeaders + szRow + "2 2M all -- * * 10.0.0.2\n",
       {HostLine("10.0.0.1", "1.00", "0.00", "1.00")},
       "netreckon: refused 1 rows of"},
      {"junk never becomes a host",
       kHeaders +
           "1 1M all -- * * 0/0 \x1b]0;owned\x07\n1 1M all -- * * 0/0 =HYPERLINK(\"x\")\n"
           "1 1.5G all -- * * 0/0 10.0.0.5\n" +
           szRow,
       {HostLine("10.0.0.1", "1.00", "0.00", "1.00")},
       "netreckon: refused 3 rows of"},
      {"only headers", kHeaders, {}, ""},
      {"empty file", "", {}, ""},
  };
  for (const auto& tCase : kCases) {
    temp_dir_t tDir;
    WriteQuietFrame(tDir);
    tDir.Write("in_20090425000000", tCase.szContents);
    const run_result_t tRun = RunClean({"0", "20090425", "20090425", tDir.szPath, "in_", "out_"},
                                       tCase.szStderr.empty() ? 0 : 1);
    std::string szHosts;
    for (const std::string& szLine : tCase.tHostLines) {
      szHosts += szLine;
    }
    const std::size_t iFrom = tRun.szStdout.find("Bandwidth usage from:");
    const std::size_t iHosts = tRun.szStdout.find('\n', iFrom) + 1;
    EXPECT_EQ(tRun.szStdout.substr(iHosts, tRun.szStdout.find("=====", iHosts) - iHosts), szHosts)
        << tCase.szCase;
    if (tCase.szStderr.empty()) {
      EXPECT_EQ(tRun.szStderr, "") << tCase.szCase;
    } else {
      EXPECT_EQ(tRun.szStderr.rfind(tCase.szStderr, 0), 0u) << tCase.szCase << tRun.szStderr;
    }
  }
}

TEST(Hostile, BinaryFilesEndCleanlyAndNeverPushRealHostsOut) {
  temp_dir_t tDir;
  std::mt19937 tRandom(99);
  for (int iFile = 0; iFile < 20; ++iFile) {
    std::string szBytes(1 + tRandom() % (iFile == 0 ? 600000 : 200000), '\0');
    for (char& cByte : szBytes) {
      cByte = static_cast<char>(tRandom() % 4 == 0 ? 0 : tRandom());
    }
    tDir.Write("in_20090425" + std::to_string(100000 + iFile), szBytes);
  }
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.1", "5M"}, {"10.0.0.2", "6M"}}));
  const run_result_t tRun = RunClean({"0", "20090425", "20090425", tDir.szPath, "in_", "out_"}, 1);
  const std::size_t iFrom = tRun.szStdout.find("Bandwidth usage from:");
  const std::size_t iHosts = tRun.szStdout.find('\n', iFrom) + 1;
  EXPECT_EQ(
      tRun.szStdout.substr(iHosts, tRun.szStdout.find("=====", iHosts) - iHosts),
      HostLine("10.0.0.1", "5.00", "0.00", "5.00") + HostLine("10.0.0.2", "6.00", "0.00", "6.00"));
  EXPECT_NE(tRun.szStderr.find("netreckon: refused "), std::string::npos);
}

TEST(Hostile, EntriesThatAreNotFilesAccountNothingAndNeverBlock) {
  temp_dir_t tDir;
  temp_dir_t tElsewhere;
  const std::string szSecret = tElsewhere.Write("secret", MakeLogText(0, {{"10.6.6.6", "6M"}}));
  ASSERT_EQ(chmod(szSecret.c_str(), 0600), 0);
  tDir.Write("in_20090424230000", MakeLogText(0, {{"10.0.0.1", "0"}}));
  tDir.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "3M"}}));
  tDir.Write("out_20090425120000", kHeaders);
  ASSERT_EQ(mkfifo((tDir.szPath + "/in_20090425000000").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((tDir.szPath + "/in_20090425010000").c_str(), 0700), 0);
  ASSERT_EQ(symlink("in_20090425020000", (tDir.szPath + "/in_20090425020000").c_str()), 0);
  ASSERT_EQ(symlink("/proc/self/pagemap", (tDir.szPath + "/in_20090425030000").c_str()), 0);
  ASSERT_EQ(symlink(szSecret.c_str(), (tDir.szPath + "/in_20090425050000").c_str()), 0);
  // A sparse file of a terabyte would keep a run busy for hours.
  const int iSparse = open((tDir.szPath + "/in_20090425060000").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(iSparse, 0);
  ASSERT_EQ(ftruncate(iSparse, 1LL << 40), 0);
  close(iSparse);
  const int iSocket = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un tAddress = {};
  tAddress.sun_family = AF_UNIX;
  const std::string szSocket = tDir.szPath + "/in_20090425040000";
  ASSERT_LT(szSocket.size(), sizeof tAddress.sun_path);
  szSocket.copy(tAddress.sun_path, szSocket.size());
  ASSERT_EQ(bind(iSocket, reinterpret_cast<sockaddr*>(&tAddress), sizeof tAddress), 0);
  const run_result_t tRun = RunClean({"0", "20090425", "20090425", tDir.szPath, "in_", "out_"}, 1);
  close(iSocket);
  EXPECT_NE(tRun.szStdout.find(HostLine("10.0.0.1", "3.00", "0.00", "3.00")), std::string::npos);
  EXPECT_EQ(tRun.szStdout.find("10.6.6.6"), std::string::npos);
  const std::string szPrefix = tDir.szPath + "/in_200904250";
  EXPECT_EQ(tRun.szStderr,
            "netreckon: passed over [" + szPrefix + "00000]: not a regular file, no snapshot\n" +
                "netreckon: passed over [" + szPrefix +
                "10000]: not a regular file, no snapshot\n" + "netreckon: skipped [" + szPrefix +
                "20000]: a symbolic link is never followed\n" + "netreckon: skipped [" + szPrefix +
                "30000]: a symbolic link is never followed\n" + "netreckon: passed over [" +
                szPrefix + "40000]: not a regular file, no snapshot\n" + "netreckon: skipped [" +
                szPrefix + "50000]: a symbolic link is never followed\n" + "netreckon: refused [" +
                szPrefix + "60000]: larger than 256 MiB, no snapshot\n");
}

TEST(Hostile, OddNamesAndFiltersEndCleanly) {
  temp_dir_t tDir;
  for (const char* szName : {"in_0425120000", "in_20425120000", "in_090425120000", "in_",
                             "in_20090425120000", "out_20090425120000"}) {
    tDir.Write(szName, MakeLogText(0, {{"10.0.0.1", "1M"}}));
  }
  const std::string szLong(1100, 'p');
  const struct {
    std::vector<std::string> tArgs;
    int iStatus;
  } kCases[] = {
      {{"0", "20090425", "20090425", tDir.szPath, "in_", "out_"}, 0},
      {{"0", "2009", "2009", tDir.szPath, "in_", "out_"}, 0},
      {{"0", "19700101", "99991231", tDir.szPath, "in_", "out_"}, 0},
      // No snapshot of a prefix in the range: said, status 1, the report still printed.
      {{"0", "", "", tDir.szPath, "in_", "out_"}, 1},
      {{"0", "20090425", "20090425", tDir.szPath, szLong, szLong}, 1},
      {{"0", "20090425", "20090425", tDir.szPath, "", ""}, 0},
      {{"0", "2009", "1", tDir.szPath, "in_", "out_"}, 2},
      {{"0", "00000000", "99999999", tDir.szPath, "in_", "out_"}, 2},
      {{"0", "99999999", "00000000", tDir.szPath, "in_", "out_"}, 2},
      {{"0", szLong, szLong, tDir.szPath, szLong, szLong}, 2},
      {{"0", "today-", "today--3", tDir.szPath, "in_", "out_"}, 2},
      {{"0", std::string(5000, '1'), std::string(5000, 't'), std::string(5000, '/'),
        std::string(5000, 'i'), std::string(5000, 'o')},
       2},
  };
  for (const auto& tCase : kCases) {
    RunClean(tCase.tArgs, tCase.iStatus);
  }
}

// Names that are no snapshot's, however their dates read, are counted and left out: no report
// walks days outside the range asked.
TEST(Hostile, JunkNamesAreLeftOutInEveryFormat) {
  temp_dir_t tDir;
  for (const char* szName :
       {"in_20261129120000", "in_20261130120000", "in_20261199120000", "in_20261201120000",
        "in_20261208-99999999120000", "out_20261129120000", "out_20261201120000"}) {
    tDir.Write(szName, MakeLogText(szName[0] == 'i' ? 0 : 1, {{"10.0.0.1", "1M"}}));
  }
  for (const char* szType : {"0", "csv", "json", "daily", "monthly"}) {
    const run_result_t tRun =
        RunNetreckon({szType, "20261130", "20261201", tDir.szPath, "in_", "out_"}, "UTC", 60);
    EXPECT_EQ(tRun.iExitStatus, 0) << szType << tRun.szStderr;
    EXPECT_EQ(tRun.szStderr, "netreckon: left out 2 files of [" + tDir.szPath +
                                 "] that begin with [in_] but are not named as snapshots (the "
                                 "prefix, YYYYMMDD, six characters), the first "
                                 "[in_20261199120000]\n");
    EXPECT_LT(tRun.szStdout.size(), 20000u) << szType;
    EXPECT_EQ(tRun.szStdout.find("2026-12-02"), std::string::npos) << szType;
  }
}

TEST(Hostile, AnUnreadableDirectoryIsReported) {
  temp_dir_t tDir;
  const std::string szFile = tDir.Write("not-a-directory", "x");
  const run_result_t tRun = RunClean({"0", "20090425", "20090425", szFile, "in_", "out_"}, 1);
  EXPECT_EQ(tRun.szStderr, "Couldn't open the directory [" + szFile + "]: Not a directory\n");
  const std::string szLocked = tDir.szPath + "/locked";
  ASSERT_EQ(mkdir(szLocked.c_str(), 0), 0);
  const run_result_t tLocked = RunClean({"0", "20090425", "20090425", szLocked, "in_", "out_"}, 1);
  if (geteuid() != 0) {  // root reads it all the same
    EXPECT_NE(
        tLocked.szStderr.find("Couldn't open the directory [" + szLocked + "]: Permission denied"),
        std::string::npos);
  }
}

TEST(Hostile, AHundredThousandEntriesEndCleanly) {
  temp_dir_t tDir;
  for (int iEntry = 0; iEntry < 100000; ++iEntry) {
    const std::string szName = tDir.szPath + "/" + (iEntry % 2 == 0 ? "in_" : "out_") + "2009042" +
                               std::to_string(iEntry % 7 + 3) +
                               std::to_string(100000 + iEntry / 7 % 800000);
    const int iFd = open(szName.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(iFd, 0) << szName;
    close(iFd);
  }
  tDir.Write("in_20090425999999", MakeLogText(0, {{"10.0.0.1", "7M"}}));
  const run_result_t tRun = RunClean({"0", "20090425", "20090427", tDir.szPath, "in_", "out_"});
  EXPECT_NE(tRun.szStdout.find(HostLine("10.0.0.1", "7.00", "0.00", "7.00")), std::string::npos);
}

TEST(Hostile, AnyNumberOfHostsIsReported) {
  temp_dir_t tDir;
  std::vector<std::pair<std::string, std::string>> tRows;
  for (int iHost = 0; iHost < 150; ++iHost) {
    tRows.emplace_back("10.0." + std::to_string(iHost / 100) + "." + std::to_string(iHost % 100),
                       "1M");
  }
  WriteQuietFrame(tDir);
  tDir.Write("in_20090425000000", MakeLogText(0, tRows));
  const run_result_t tRun = RunClean({"0", "20090425", "20090425", tDir.szPath, "in_", "out_"});
  EXPECT_NE(tRun.szStdout.find(HostLine("10.0.0.99", "1.00", "0.00", "1.00") +
                               HostLine("10.0.1.0", "1.00", "0.00", "1.00")),
            std::string::npos);
  EXPECT_NE(tRun.szStdout.find(HostLine("10.0.1.49", "1.00", "0.00", "1.00") + "====="),
            std::string::npos);
  EXPECT_NE(tRun.szStdout.find("Incoming [150.00 MB]"), std::string::npos);
  EXPECT_EQ(tRun.szStderr, "");
}

TEST(Hostile, ARangeOfMonthsIsAccountedWhole) {
  temp_dir_t tDir;
  tDir.Write("in_20081231230000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  tDir.Write("in_20090101000000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  tDir.Write("in_20090102000000", MakeLogText(0, {{"10.0.0.1", "3M"}}));
  tDir.Write("in_20090720000000", MakeLogText(0, {{"10.0.0.1", "9M"}}));
  tDir.Write("out_20090101000000", kHeaders);
  const run_result_t tRun = RunClean({"0", "20090101", "20100205", tDir.szPath, "in_", "out_"});
  EXPECT_NE(tRun.szStdout.find("Bandwidth usage from: 20090101 to 20090720\n"), std::string::npos);
  EXPECT_NE(tRun.szStdout.find(HostLine("10.0.0.1", "8.00", "0.00", "8.00")), std::string::npos);
  EXPECT_EQ(tRun.szStderr,
            "netreckon: the snapshots stop on 2009-07-20, before the end date 2010-02-05\n");
}

TEST(Hostile, AReportThatCannotBeWrittenFailsTheRun) {
  temp_dir_t tDir;
  WriteQuietFrame(tDir);
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  const std::string szCommand = std::string("TZ=UTC '") + NETRECKON_BINARY +
                                "' 0 20090425 20090425 '" + tDir.szPath +
                                "' in_ out_ > /dev/full 2> '" + tDir.szPath + "/err'";
  const int iStatus = std::system(szCommand.c_str());
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), 1);
  std::ifstream tError(tDir.szPath + "/err");
  std::string szError;
  std::getline(tError, szError);
  EXPECT_EQ(szError, "netreckon: couldn't write the report: No space left on device");
}

TEST(Hostile, AClosedPipeFailsTheRun) {
  temp_dir_t tDir;
  WriteQuietFrame(tDir);
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  // A pipe nobody reads: the first write fails with EPIPE instead of killing the run.
  int aiPipe[2];
  ASSERT_EQ(pipe(aiPipe), 0);
  close(aiPipe[0]);
  const pid_t iChild = fork();
  ASSERT_GE(iChild, 0);
  if (iChild == 0) {
    dup2(aiPipe[1], 1);
    const int iNull = open("/dev/null", O_WRONLY);
    dup2(iNull, 2);
    execl(NETRECKON_BINARY, NETRECKON_BINARY, "csv", "20090425", "20090425", tDir.szPath.c_str(),
          "in_", "out_", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(aiPipe[1]);
  int iStatus = 0;
  ASSERT_EQ(waitpid(iChild, &iStatus, 0), iChild);
  ASSERT_TRUE(WIFEXITED(iStatus)) << "ended by signal " << WTERMSIG(iStatus);
  EXPECT_EQ(WEXITSTATUS(iStatus), 1);
}

// A snapshot of the range that cannot be read is left out, said, and makes the status 1; root
// reads every file, so the run is made as an account that cannot.
TEST(Hostile, AnUnreadableSnapshotFailsTheRun) {
  if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) {
    GTEST_SKIP() << "needs root to run the program as another account";
  }
  // The other account runs a copy of the program in a folder it can reach: the build may sit
  // below a folder that only root can enter, and TMPDIR may be private too.
  temp_dir_t tDir("/tmp");
  ASSERT_EQ(chmod(tDir.szPath.c_str(), 0755), 0);
  const std::string szProgram = tDir.szPath + "/netreckon";
  std::error_code tCopyError;
  ASSERT_TRUE(std::filesystem::copy_file(NETRECKON_BINARY, szProgram, tCopyError))
      << tCopyError.message();
  ASSERT_EQ(chmod(szProgram.c_str(), 0755), 0);
  WriteQuietFrame(tDir);
  tDir.Write("in_20090425000000", MakeLogText(0, {{"10.0.0.1", "1M"}}));
  const std::string szLocked =
      tDir.Write("in_20090425120000", MakeLogText(0, {{"10.0.0.1", "2M"}}));
  for (const char* szName : {"in_20090424230000", "out_20090425000000", "in_20090425000000"}) {
    ASSERT_EQ(chmod((tDir.szPath + "/" + szName).c_str(), 0644), 0);
  }
  ASSERT_EQ(chmod(szLocked.c_str(), 0), 0);
  const std::string szCommand = std::string(
                                    "TZ=UTC setpriv --reuid=65534 --regid=65534 "
                                    "--clear-groups '") +
                                szProgram + "' 0 20090425 20090425 '" + tDir.szPath +
                                "' in_ out_ >/dev/null 2>'" + tDir.szPath + "/err'";
  const int iStatus = std::system(szCommand.c_str());
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), 1);
  std::ifstream tError(tDir.szPath + "/err");
  const std::string szError((std::istreambuf_iterator<char>(tError)),
                            std::istreambuf_iterator<char>());
  EXPECT_EQ(szError, "netreckon: couldn't read [" + szLocked + "]: Permission denied\n");
}
