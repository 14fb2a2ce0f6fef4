// Reading one counter log file into a host table.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "logs/log_split.h"
#include "logs/logs.h"

namespace {

constexpr std::size_t kReadChunk = std::size_t{64} * 1024;
constexpr std::size_t kReadSlack = 64;

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

// What the entry itself is, before anything is opened: a device is never opened, a link
// never followed.
bool CheckEntry(const struct stat& tStat, log_read_t& tResult) {
  if (S_ISLNK(tStat.st_mode)) {
    tResult.eOutcome = log_outcome_t::kSymlink;
    return false;
  }
  if (!S_ISREG(tStat.st_mode)) {
    tResult.eOutcome = log_outcome_t::kNotAFile;
    return false;
  }
  if (tStat.st_size > kMaxLogFileBytes) {
    tResult.eOutcome = log_outcome_t::kTooLarge;
    return false;
  }
  return true;
}

void FailRead(log_read_t& tResult, int iError) {
  tResult.eOutcome = log_outcome_t::kUnreadable;
  tResult.iError = iError;
}

}  // namespace

bool JoinLogPath(char (&szFullFilePath)[kTextBuf], const char* szLogPath, const char* szLogFile) {
  // Copied, not formatted: it is done for every file read.
  const std::size_t iPathLength = std::strlen(szLogPath);
  const std::size_t iSeparator = iPathLength > 0 && szLogPath[iPathLength - 1] != '/' ? 1 : 0;
  const std::size_t iFileLength = std::strlen(szLogFile);
  if (iPathLength + iSeparator + iFileLength >= sizeof szFullFilePath) {
    szFullFilePath[0] = '\0';
    return false;
  }
  std::memcpy(szFullFilePath, szLogPath, iPathLength);
  if (iSeparator != 0) {
    szFullFilePath[iPathLength] = '/';
  }
  std::memcpy(szFullFilePath + iPathLength + iSeparator, szLogFile, iFileLength + 1);
  return true;
}

namespace {

// One file's text on its way into a table: every read of a file and every text held in
// memory pass through here, so both are read alike.
struct log_text_read_t {
  const log_file_t& tFile;
  host_table_t& tTable;
  report_range_t& tRange;
  // The caller's, left unset until StartLogText: a split holds a line's 4 KB carry, which
  // each of a year's small files would otherwise clear for nothing.
  log_split_t& tSplit;
};

void StartLogText(log_text_read_t& tRead) {
  StartLogSplit(tRead.tSplit);
  StartLogFileReadings(tRead.tTable);
}

auto MakeRowTaker(const log_text_read_t& tRead) {
  return [iDirection = tRead.tFile.iDirection, &tTable = tRead.tTable](const ipt_data_t& tRow) {
    return ProcessIPTableRow(iDirection, tRow, tTable);
  };
}

void FeedLogText(log_text_read_t& tRead, const char* pBytes, std::size_t iLength,
                 std::size_t iSlack) {
  FeedLogSplit(tRead.tSplit, pBytes, iLength, MakeRowTaker(tRead), iSlack);
}

// The last line, then the readings into their days: the file's hosts each hold one.
void FinishLogText(log_text_read_t& tRead, log_read_t& tResult) {
  FinishLogSplit(tRead.tSplit, MakeRowTaker(tRead));
  tResult.llReadings = static_cast<long long>(tRead.tTable.tPending.size());
  AccountLogFileReadings(tRead.tTable, tRead.tRange, tRead.tFile.iDirection, tRead.tFile.uiFileDate,
                         tRead.tFile.iLogFileIsOnANewDate);
  tResult.iRefusedRows = tRead.tSplit.iRefusedRows;
  tResult.bUnhooked = tRead.tSplit.bUnhooked;
}

}  // namespace

log_read_t ReadLogText(std::string_view szText, const log_file_t& tFile, host_table_t& tTable,
                       report_range_t& tRange) {
  log_read_t tResult;
  // cppcheck-suppress unassignedVariable ; StartLogText sets it through the read
  log_split_t tSplit;
  log_text_read_t tRead{tFile, tTable, tRange, tSplit};
  StartLogText(tRead);
  FeedLogText(tRead, szText.data(), szText.size(), 0);
  FinishLogText(tRead, tResult);
  return tResult;
}

log_read_t ProcessLogFile(const log_file_t& tFile, host_table_t& tBandwidthUsage,
                          report_range_t& tRange) {
  log_read_t tResult;
  if (!JoinLogPath(tResult.szFullFilePath, tFile.szLogPath, tFile.szLogFile)) {
    CopyText(tResult.szFullFilePath, sizeof tResult.szFullFilePath, tFile.szLogFile);
    FailRead(tResult, ENAMETOOLONG);
    return tResult;
  }
  // A directory opened once spares every file the walk along the path to it: with a year of
  // small files, those look-ups cost more than the reading.
  const int iAt = tFile.iDirFd >= 0 ? tFile.iDirFd : AT_FDCWD;
  const char* szLookedUp = tFile.iDirFd >= 0 ? tFile.szLogFile : tResult.szFullFilePath;
  struct stat tStat = {};
  const bool bLookFirst = !(tFile.iDirFd >= 0 && tFile.bListedAsFile);
  if (bLookFirst) {
    if (fstatat(iAt, szLookedUp, &tStat, AT_SYMLINK_NOFOLLOW) != 0) {
      FailRead(tResult, errno);
      return tResult;
    }
    if (!CheckEntry(tStat, tResult)) {
      return tResult;
    }
  }
  // Non-blocking and without following a link, should the entry have been swapped since.
  const file_descriptor_t tFd(
      openat(iAt, szLookedUp, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
  if (tFd.iFd < 0) {
    const int iOpenError = errno;
    // An entry swapped since it was listed (a socket cannot be opened) says what it is now.
    if (!bLookFirst && fstatat(iAt, szLookedUp, &tStat, AT_SYMLINK_NOFOLLOW) == 0 &&
        !CheckEntry(tStat, tResult)) {
      return tResult;
    }
    if (iOpenError == ELOOP) {
      tResult.eOutcome = log_outcome_t::kSymlink;
    } else {
      FailRead(tResult, iOpenError);
    }
    return tResult;
  }
  if (fstat(tFd.iFd, &tStat) != 0) {
    FailRead(tResult, errno);
    return tResult;
  }
  if (!CheckEntry(tStat, tResult)) {
    return tResult;
  }

  // cppcheck-suppress unassignedVariable ; StartLogText sets it through the read
  log_split_t tSplit;
  log_text_read_t tRead{tFile, tBandwidthUsage, tRange, tSplit};
  StartLogText(tRead);
  // The lines are split a window of 64 bytes at a time; 64 bytes more than a read can fill
  // let the last window of a read be read in place.
  std::array<char, kReadChunk + kReadSlack> aBuffer;
  long long llTotal = 0;
  for (;;) {
    const ssize_t iRead = read(tFd.iFd, aBuffer.data(), kReadChunk);
    if (iRead < 0 && errno == EINTR) {
      continue;
    }
    if (iRead < 0) {
      FailRead(tResult, errno);
      return tResult;
    }
    if (iRead == 0) {
      break;
    }
    // A file that grows while it is read (or claims a size of 0) still ends here.
    llTotal += iRead;
    if (llTotal > kMaxLogFileBytes) {
      tResult.eOutcome = log_outcome_t::kTooLarge;
      return tResult;
    }
    std::memset(aBuffer.data() + iRead, ' ', kReadSlack);
    FeedLogText(tRead, aBuffer.data(), static_cast<std::size_t>(iRead), kReadSlack);
    // The size the file had when it was opened is all of a snapshot: no read to learn that
    // nothing follows (of a year of small files, one call in six).
    if (tStat.st_size > 0 && llTotal >= tStat.st_size) {
      break;
    }
  }
  FinishLogText(tRead, tResult);
  return tResult;
}
