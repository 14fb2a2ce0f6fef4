// Reading one counter log file into a host table.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "logs/logs.h"

namespace {

constexpr std::size_t kReadChunk = std::size_t{64} * 1024;

// Closes the descriptor on every way out.
struct file_descriptor_t {
  int iFd = -1;
  explicit file_descriptor_t(int iOpened) : iFd(iOpened) {}
  file_descriptor_t(const file_descriptor_t&) = delete;
  file_descriptor_t& operator=(const file_descriptor_t&) = delete;
  ~file_descriptor_t() {
    if (iFd >= 0) {
      close(iFd);
    }
  }
};

}  // namespace

void AccountLogRow(void* pContext, const ipt_data_t& tRow) {
  const auto* pTarget = static_cast<const log_row_target_t*>(pContext);
  ProcessIPTableRow(pTarget->szLogFile, pTarget->iDirection, tRow, *pTarget->pTable, kMaxClients,
                    pTarget->iLogFileIsOnANewDate);
}

bool JoinLogPath(char (&szFullFilePath)[kTextBuf], const char* szLogPath, const char* szLogFile) {
  const std::size_t iPathLength = std::strlen(szLogPath);
  const char* szSeparator = (iPathLength > 0 && szLogPath[iPathLength - 1] != '/') ? "/" : "";
  const int iWritten = std::snprintf(szFullFilePath, sizeof szFullFilePath, "%s%s%s", szLogPath,
                                     szSeparator, szLogFile);
  if (iWritten < 0 || static_cast<std::size_t>(iWritten) >= sizeof szFullFilePath) {
    szFullFilePath[0] = '\0';
    return false;
  }
  return true;
}

void ProcessLogFile(const char* szLogPath, const char* szLogFile, host_table_t& tBandwidthUsage,
                    int32_t iDirection, int32_t iLogFileIsOnANewDate) {
  char szFullFilePath[kTextBuf] = {};
  if (!JoinLogPath(szFullFilePath, szLogPath, szLogFile)) {
    return;
  }
  // Non-blocking, so that a FIFO without a writer or a device cannot stop the run.
  const file_descriptor_t tFile(open(szFullFilePath, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (tFile.iFd < 0) {
    return;
  }
  struct stat tStat = {};
  if (fstat(tFile.iFd, &tStat) != 0 || !S_ISREG(tStat.st_mode)) {
    return;
  }

  log_row_target_t tTarget = {szLogFile, &tBandwidthUsage, iDirection, iLogFileIsOnANewDate};
  log_split_t tSplit;
  StartLogSplit(tSplit, iDirection);
  static char s_aBuffer[kReadChunk];
  for (;;) {
    const ssize_t iRead = read(tFile.iFd, s_aBuffer, sizeof s_aBuffer);
    if (iRead < 0 && errno == EINTR) {
      continue;
    }
    // A failed read ends the file as its end does.
    if (iRead <= 0) {
      break;
    }
    FeedLogSplit(tSplit, s_aBuffer, static_cast<std::size_t>(iRead), AccountLogRow, &tTarget);
  }
  FinishLogSplit(tSplit, AccountLogRow, &tTarget);
  if (tSplit.iRefusedRows > 0) {
    std::fprintf(stderr,
                 "Refused %d rows of [%s]: byte counter neither rounded nor an exact count below "
                 "2^64, or host address over 49 characters\n",
                 tSplit.iRefusedRows, szFullFilePath);
  }
}
