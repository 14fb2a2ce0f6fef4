// Reading counter logs and choosing, from a directory listing, the logs of one direction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "accounting/records.h"

// ---- splitting a log into rows ----

// A line is kept up to this many bytes; a longer one is a row only when its first nine
// columns lie within them.
constexpr std::size_t kMaxLogLine = 4096;

// What one line of a listing is.
enum class log_line_t { kSkipped, kRow, kRefused };

/// Reads one line (without its line break) into a row of views into it. Blank lines and title
/// lines (first token "Chain" or "pkts") are kSkipped; lines of one to seven tokens are
/// kRefused. The target column is told apart by the option column after it; columns after the
/// destination are ignored. `bCut` says the line went on past what is given: it is a row only
/// when its first nine columns lie whole within it. `iReadable` (at least the line's length)
/// bytes may be read from the line's start: with 64 more than the line, no byte is copied.
log_line_t ReadLogLine(std::string_view szLine, std::size_t iReadable, bool bCut, ipt_data_t& tRow);

// Where a log's text has got to: the rest of a header line, or a line split across reads.
struct log_split_t {
  int iHeaderLinesLeft;
  std::size_t iHeaderLineLength;
  std::size_t iCarried;  // bytes of the line in progress kept in aCarry
  bool bCarryCut;        // the line in progress is longer than aCarry
  int iRefusedRows;
  ipt_data_t tRow;  // the row of the line being read, kept here so no line pays to make one
  char aCarry[kMaxLogLine];
};

/// Starts splitting a new log.
void StartLogSplit(log_split_t& tSplit);

/// Skips what is left of the two header lines (each read as far as 1022 characters); returns
/// where the rows begin.
const char* SkipLogHeader(log_split_t& tSplit, const char* pNext, const char* pEnd);

/// Hands one line to `fOnRow` (a row) or counts it refused; `fOnRow` returns false for a row
/// it refuses.
template <class OnRow>
void HandleLogLine(log_split_t& tSplit, std::string_view szLine, std::size_t iReadable, bool bCut,
                   OnRow& fOnRow) {
  switch (ReadLogLine(szLine, iReadable, bCut, tSplit.tRow)) {
    case log_line_t::kRow:
      if (!fOnRow(tSplit.tRow)) {
        ++tSplit.iRefusedRows;
      }
      break;
    case log_line_t::kRefused: ++tSplit.iRefusedRows; break;
    case log_line_t::kSkipped: break;
  }
}

/// Splits the next bytes of a log into lines, each handed to HandleLogLine.
template <class OnRow>
void FeedLogSplit(log_split_t& tSplit, const char* pBytes, std::size_t iLength, OnRow&& fOnRow) {
  const char* const pEnd = pBytes + iLength;
  const char* pNext = SkipLogHeader(tSplit, pBytes, pEnd);
  while (pNext < pEnd) {
    const auto* pBreak =
        static_cast<const char*>(std::memchr(pNext, '\n', static_cast<std::size_t>(pEnd - pNext)));
    const char* const pLineEnd = pBreak != nullptr ? pBreak : pEnd;
    const auto iChunk = static_cast<std::size_t>(pLineEnd - pNext);
    if (pBreak != nullptr && tSplit.iCarried == 0 && !tSplit.bCarryCut) {
      // A whole line within this read: split it where it lies.
      const bool bCut = iChunk > kMaxLogLine;
      HandleLogLine(tSplit, std::string_view(pNext, bCut ? kMaxLogLine : iChunk),
                    static_cast<std::size_t>(pEnd - pNext), bCut, fOnRow);
    } else {
      const std::size_t iRoom = kMaxLogLine - tSplit.iCarried;
      const std::size_t iKeep = iChunk < iRoom ? iChunk : iRoom;
      std::memcpy(tSplit.aCarry + tSplit.iCarried, pNext, iKeep);
      tSplit.iCarried += iKeep;
      tSplit.bCarryCut = tSplit.bCarryCut || iChunk > iRoom;
      if (pBreak == nullptr) {
        return;
      }
      HandleLogLine(tSplit, std::string_view(tSplit.aCarry, tSplit.iCarried), kMaxLogLine,
                    tSplit.bCarryCut, fOnRow);
      tSplit.iCarried = 0;
      tSplit.bCarryCut = false;
    }
    pNext = pLineEnd + 1;
  }
}

/// Ends the log: a last line without a line break still counts.
template <class OnRow>
void FinishLogSplit(log_split_t& tSplit, OnRow&& fOnRow) {
  if (tSplit.iCarried > 0 || tSplit.bCarryCut) {
    HandleLogLine(tSplit, std::string_view(tSplit.aCarry, tSplit.iCarried), kMaxLogLine,
                  tSplit.bCarryCut, fOnRow);
    tSplit.iCarried = 0;
    tSplit.bCarryCut = false;
  }
}

// ---- reading a log file ----

// A file larger than this is no snapshot (one of 100,000 hosts is some 10 MB).
constexpr long long kMaxLogFileBytes = 256LL * 1024 * 1024;

// What became of a file handed to the reader.
enum class log_outcome_t {
  kRead,       // read whole; its readings are accounted
  kNotAFile,   // a directory, FIFO, socket or device: passed over
  kSymlink,    // a symbolic link: never followed
  kTooLarge,   // over kMaxLogFileBytes: nothing of it accounted
  kUnreadable  // could not be opened or read (iError says why): nothing of it accounted
};

struct log_read_t {
  log_outcome_t eOutcome = log_outcome_t::kRead;
  int iError = 0;
  int iRefusedRows = 0;
  char szFullFilePath[kTextBuf] = {};
};

// One file to read and where its readings go.
struct log_file_t {
  const char* szLogPath;
  const char* szLogFile;
  date_number_t uiFileDate;
  int32_t iDirection;
  int32_t iLogFileIsOnANewDate;
};

/// Joins a directory and a file name, putting a "/" between them where the directory lacks
/// one. Returns false, leaving an empty path, when the result does not fit kTextBuf.
bool JoinLogPath(char (&szFullFilePath)[kTextBuf], const char* szLogPath, const char* szLogFile);

/// Reads one log text held in memory into a table as a file of the given date; returns the
/// number of refused rows.
int ReadLogText(std::string_view szText, const log_file_t& tFile, host_table_t& tTable);

/// Reads one log file into a table: a regular file, opened without following a symbolic link,
/// of at most kMaxLogFileBytes. Says what became of it; writes no message.
log_read_t ProcessLogFile(const log_file_t& tFile, host_table_t& tBandwidthUsage);

// ---- the directory listing ----

// A directory's entry names, "." and ".." included, in ascending byte order.
struct dir_listing_t {
  bool bOpened = false;
  int iOpenError = 0;
  std::vector<char> tNameBytes;         // every name, each with its terminator
  std::vector<std::uint32_t> tOffsets;  // where each name starts in tNameBytes
};

/// Lists a directory with its names in ascending byte order, without looking at any entry.
/// On failure bOpened is false and iOpenError keeps the reason.
dir_listing_t ListLogDirectory(const char* szLogPath);

/// A listing of the given names in the given order, as if read from a directory.
dir_listing_t MakeLogListing(std::span<const std::string_view> tNames);

/// The name at position iIdx of a listing.
inline const char* GetListingName(const dir_listing_t& tListing, std::size_t iIdx) {
  return tListing.tNameBytes.data() + tListing.tOffsets[iIdx];
}

// ---- choosing the logs of one direction ----

// One log of a pass, in the order it is to be read.
struct planned_log_t {
  const char* szName;  // points into the listing
  bool bBaseline;      // read into the init table rather than the usage table
  int32_t iLogFileIsOnANewDate;
  date_number_t uiFileDate;
};

struct scan_plan_t {
  std::vector<planned_log_t> tLogs;
  bool bHasBaseline = false;
};

/// Chooses, from a listing in name order, the logs of one direction's date range and the last
/// excluded log before the first included one (the baseline, read right after that one).
scan_plan_t ScanLogListing(const dir_listing_t& tListing, const char* szLogFilePrefix,
                           const char* szLogFileFilterStart, const char* szLogFileFilterEnd);

/// True when a filter is exactly eight digits: a whole day, not a prefix or a date with an hour.
bool IsWholeDate(std::string_view szFilter);
