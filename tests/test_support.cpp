// Running the binary as a process, temporary directories and log texts for the tests.
#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::string ReadWholeFile(const std::string& szPath) {
  std::ifstream tIn(szPath, std::ios::binary);
  std::ostringstream tOut;
  tOut << tIn.rdbuf();
  return tOut.str();
}

}  // namespace

run_result_t RunNetreckon(const std::vector<std::string>& tArgs, const std::string& szTz,
                          int iTimeoutSeconds, const std::string& szWorkDir) {
  temp_dir_t tOutDir;
  const std::string szOut = tOutDir.szPath + "/stdout";
  const std::string szErr = tOutDir.szPath + "/stderr";
  run_result_t tResult;
  const pid_t iPid = fork();
  if (iPid == 0) {
    const int iOutFd = open(szOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int iErrFd = open(szErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int iNullFd = open("/dev/null", O_RDONLY);
    dup2(iOutFd, 1);
    dup2(iErrFd, 2);
    dup2(iNullFd, 0);
    setenv("TZ", szTz.c_str(), 1);
    if (!szWorkDir.empty() && chdir(szWorkDir.c_str()) != 0) {
      _exit(126);
    }
    std::vector<char*> tArgv;
    std::string szBinary = NETRECKON_BINARY;
    tArgv.push_back(szBinary.data());
    std::vector<std::string> tCopies(tArgs);
    for (std::string& szArg : tCopies) {
      tArgv.push_back(szArg.data());
    }
    tArgv.push_back(nullptr);
    execv(szBinary.c_str(), tArgv.data());
    _exit(127);
  }
  int iStatus = 0;
  for (int iTick = 0;; ++iTick) {
    const pid_t iDone = waitpid(iPid, &iStatus, WNOHANG);
    if (iDone == iPid) {
      break;
    }
    if (iTick >= iTimeoutSeconds * 100) {
      kill(iPid, SIGKILL);
      waitpid(iPid, &iStatus, 0);
      tResult.bTimedOut = true;
      break;
    }
    usleep(10000);
  }
  tResult.iExitStatus = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : 128 + WTERMSIG(iStatus);
  tResult.szStdout = ReadWholeFile(szOut);
  tResult.szStderr = ReadWholeFile(szErr);
  return tResult;
}

temp_dir_t::temp_dir_t() : temp_dir_t(std::filesystem::temp_directory_path().string()) {}

temp_dir_t::temp_dir_t(const std::string& szBase) {
  std::string szTemplate = (std::filesystem::path(szBase) / "netreckon-test-XXXXXX").string();
  if (mkdtemp(szTemplate.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  szPath = szTemplate;
}

temp_dir_t::~temp_dir_t() {
  std::error_code tError;
  // Tests may leave unreadable folders behind; give them back their permissions first.
  for (auto tIt = std::filesystem::recursive_directory_iterator(
           szPath, std::filesystem::directory_options::skip_permission_denied, tError);
       !tError && tIt != std::filesystem::recursive_directory_iterator(); tIt.increment(tError)) {
    if (tIt->is_directory(tError) && !tIt->is_symlink(tError)) {
      std::filesystem::permissions(tIt->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, tError);
    }
  }
  std::filesystem::permissions(szPath, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, tError);
  std::filesystem::remove_all(szPath, tError);
}

std::string temp_dir_t::Write(const std::string& szName, const std::string& szContents) const {
  const std::string szFile = szPath + "/" + szName;
  std::ofstream tOut(szFile, std::ios::binary);
  tOut << szContents;
  return szFile;
}

std::string MakeLogText(int32_t iDirection,
                        const std::vector<std::pair<std::string, std::string>>& tRows) {
  std::string szText =
      iDirection == 0 ? "Chain NET_IN (1 references)\n" : "Chain NET_OUT (1 references)\n";
  szText += " pkts bytes target     prot opt in     out     source               destination\n";
  for (const auto& [szHost, szBytes] : tRows) {
    char szLine[256];
    if (iDirection == 0) {
      std::snprintf(szLine, sizeof szLine,
                    "%5d %5s            all  --  *      *       %-20s %-20s\n", 12, szBytes.c_str(),
                    "0.0.0.0/0", szHost.c_str());
    } else {
      std::snprintf(szLine, sizeof szLine,
                    "%5d %5s            all  --  *      *       %-20s %-20s\n", 12, szBytes.c_str(),
                    szHost.c_str(), "0.0.0.0/0");
    }
    szText += szLine;
  }
  return szText;
}

std::string MaskElapsed(const std::string& szOutput) {
  static const std::regex kElapsed("Elapsed time to generate stats: [0-9]+\\.[0-9]{2}");
  return std::regex_replace(szOutput, kElapsed, "Elapsed time to generate stats: X");
}
