// Reading counter logs and choosing, from a directory listing, the logs of one direction.
#pragma once

#include <bit>
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

// packets, bytes, target, protocol, options, in, out, source, destination, and one more to
// know that a cut line's ninth column is whole.
constexpr std::size_t kLogTokensLooked = 10;

// Where the first tokens of a line begin and end, as offsets from the line's start.
struct log_tokens_t {
  std::size_t aiBegin[kLogTokensLooked];
  std::size_t aiEnd[kLogTokensLooked];
  std::size_t iTokens;  // tokens whole, their begin and end both known
};

/// Marks the 64 bytes at pBytes: bit i of uiSpaces when byte i is C white space, of uiBreaks
/// when it is a line break.
void MarkLogWindow(const char* pBytes, uint64_t& uiSpaces, uint64_t& uiBreaks);

/// Adds the tokens that begin or end among the positions uiWithin of a window at iBase (its
/// white space uiSpaces; uiSpaceBefore: the position before the window is white space, updated
/// to this window's last). A token begins where white space is followed by anything else and
/// ends where the reverse happens, so the k-th end closes the k-th beginning.
inline void AddLogTokens(log_tokens_t& tTokens, std::size_t& iBegins, std::size_t iBase,
                         uint64_t uiSpaces, uint64_t& uiSpaceBefore, uint64_t uiWithin) {
  const uint64_t uiAfterSpace = (uiSpaces << 1) | uiSpaceBefore;
  uint64_t uiBegins = ~uiSpaces & uiAfterSpace & uiWithin;
  uint64_t uiEnds = uiSpaces & ~uiAfterSpace & uiWithin;
  for (; uiBegins != 0 && iBegins < kLogTokensLooked; uiBegins &= uiBegins - 1) {
    tTokens.aiBegin[iBegins++] = iBase + static_cast<std::size_t>(std::countr_zero(uiBegins));
  }
  for (; uiEnds != 0 && tTokens.iTokens < kLogTokensLooked; uiEnds &= uiEnds - 1) {
    tTokens.aiEnd[tTokens.iTokens++] = iBase + static_cast<std::size_t>(std::countr_zero(uiEnds));
  }
  if (uiWithin >> 63 != 0) {
    uiSpaceBefore = uiSpaces >> 63;
  }
}

/// Ends a token still open at the line's end (iEnd).
inline void CloseLogTokens(log_tokens_t& tTokens, std::size_t iBegins, std::size_t iEnd) {
  if (iBegins > tTokens.iTokens) {
    tTokens.aiEnd[tTokens.iTokens++] = iEnd;
  }
}

/// Tells what a line is from its tokens (see ReadLogLine) and fills the row of a kRow; the
/// line's text ends at offset iLineEnd.
log_line_t ClassifyLogLine(const char* pLine, std::size_t iLineEnd, const log_tokens_t& tTokens,
                           bool bCut, ipt_data_t& tRow);

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
  std::size_t iTitleLength;  // of the chain's title line kept in aTitle
  bool bUnhooked;            // the title says no rule jumps to the chain
  char aTitle[96];
  ipt_data_t tRow;  // the row of the line being read, kept here so no line pays to make one
  char aCarry[kMaxLogLine];
};

/// Starts splitting a new log.
void StartLogSplit(log_split_t& tSplit);

/// Skips what is left of the two header lines (each read as far as 1022 characters); returns
/// where the rows begin.
const char* SkipLogHeader(log_split_t& tSplit, const char* pNext, const char* pEnd);

/// Hands the row of a line to `fOnRow` or counts the line refused; `fOnRow` returns false for
/// a row it refuses.
template <class OnRow>
void HandleLogLineResult(log_split_t& tSplit, log_line_t eLine, OnRow& fOnRow) {
  switch (eLine) {
    case log_line_t::kRow:
      if (!fOnRow(tSplit.tRow)) {
        ++tSplit.iRefusedRows;
      }
      break;
    case log_line_t::kRefused: ++tSplit.iRefusedRows; break;
    case log_line_t::kSkipped: break;
  }
}

/// Reads one line and hands on its row (HandleLogLineResult).
template <class OnRow>
void HandleLogLine(log_split_t& tSplit, std::string_view szLine, std::size_t iReadable, bool bCut,
                   OnRow& fOnRow) {
  HandleLogLineResult(tSplit, ReadLogLine(szLine, iReadable, bCut, tSplit.tRow), fOnRow);
}

/// Keeps the bytes of a line that goes on in the next read, as far as kMaxLogLine.
void CarryLogText(log_split_t& tSplit, const char* pBytes, const char* pEnd);

/// Leaves only the tokens that begin before iLimit, none ending past it.
void TrimLogTokens(log_tokens_t& tTokens, std::size_t iLimit);

/// Splits whole lines, [pBegin, pEnd) ending in a line break, 64 bytes at a time: each window
/// marks its white space and line breaks once, for all the lines in it. iSlack more bytes are
/// readable after pEnd (a window is then read in place rather than copied).
template <class OnRow>
void SplitLogLines(log_split_t& tSplit, const char* pBegin, const char* pEnd, std::size_t iSlack,
                   OnRow& fOnRow) {
  const auto iSize = static_cast<std::size_t>(pEnd - pBegin);
  log_tokens_t tTokens;
  tTokens.iTokens = 0;
  std::size_t iBegins = 0;
  std::size_t iLineStart = 0;
  uint64_t uiSpaceBefore = 1;  // a line's start counts as white space
  for (std::size_t iBase = 0; iBase < iSize; iBase += 64) {
    uint64_t uiSpaces = 0;
    uint64_t uiBreaks = 0;
    const std::size_t iLeft = iSize - iBase;
    if (iLeft + iSlack >= 64) {
      MarkLogWindow(pBegin + iBase, uiSpaces, uiBreaks);
    } else {
      char aTail[64];
      std::memset(aTail, ' ', sizeof aTail);
      std::memcpy(aTail, pBegin + iBase, iLeft);
      MarkLogWindow(aTail, uiSpaces, uiBreaks);
    }
    if (iLeft < 64) {
      const uint64_t uiPast = ~uint64_t{0} << iLeft;
      uiSpaces |= uiPast;
      uiBreaks &= ~uiPast;
    }
    uint64_t uiAhead = ~uint64_t{0};  // the positions of the window not yet taken
    for (;;) {
      // Up to and with the next line break, or the whole rest of the window.
      const uint64_t uiWithin =
          uiBreaks != 0 ? ((uiBreaks & (~uiBreaks + 1)) << 1) - 1 : ~uint64_t{0};
      AddLogTokens(tTokens, iBegins, iBase, uiSpaces, uiSpaceBefore, uiAhead & uiWithin);
      if (uiBreaks == 0) {
        break;
      }
      const std::size_t iLineEnd = iBase + static_cast<std::size_t>(std::countr_zero(uiBreaks));
      uiAhead &= ~uiWithin;
      uiBreaks &= uiBreaks - 1;
      const bool bCut = iLineEnd - iLineStart > kMaxLogLine;
      if (bCut) {
        TrimLogTokens(tTokens, iLineStart + kMaxLogLine);
      }
      HandleLogLineResult(tSplit,
                          ClassifyLogLine(pBegin, bCut ? iLineStart + kMaxLogLine : iLineEnd,
                                          tTokens, bCut, tSplit.tRow),
                          fOnRow);
      tTokens.iTokens = 0;
      iBegins = 0;
      iLineStart = iLineEnd + 1;
    }
  }
}

/// Splits the next bytes of a log into lines, each handed to HandleLogLine. iSlack more bytes
/// are readable after the given ones.
template <class OnRow>
void FeedLogSplit(log_split_t& tSplit, const char* pBytes, std::size_t iLength, OnRow&& fOnRow,
                  std::size_t iSlack = 0) {
  const char* const pEnd = pBytes + iLength;
  const char* pNext = SkipLogHeader(tSplit, pBytes, pEnd);
  // A line begun in an earlier read ends in the carry.
  if (pNext < pEnd && (tSplit.iCarried > 0 || tSplit.bCarryCut)) {
    const auto* pBreak =
        static_cast<const char*>(std::memchr(pNext, '\n', static_cast<std::size_t>(pEnd - pNext)));
    CarryLogText(tSplit, pNext, pBreak != nullptr ? pBreak : pEnd);
    if (pBreak == nullptr) {
      return;
    }
    HandleLogLine(tSplit, std::string_view(tSplit.aCarry, tSplit.iCarried), kMaxLogLine,
                  tSplit.bCarryCut, fOnRow);
    tSplit.iCarried = 0;
    tSplit.bCarryCut = false;
    pNext = pBreak + 1;
  }
  // The whole lines of this read are split where they lie; the rest goes on in the next.
  const char* pLastBreak = pEnd;
  while (pLastBreak > pNext && pLastBreak[-1] != '\n') {
    --pLastBreak;
  }
  if (pLastBreak > pNext) {
    SplitLogLines(tSplit, pNext, pLastBreak, static_cast<std::size_t>(pEnd - pLastBreak) + iSlack,
                  fOnRow);
  }
  if (pLastBreak < pEnd) {
    CarryLogText(tSplit, pLastBreak, pEnd);
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
  long long llRows = 0;    // counter rows taken
  bool bUnhooked = false;  // the chain's title says no rule jumps to it
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

/// Reads one log text held in memory into a table as a file of the given date, as
/// ProcessLogFile reads a file's text.
log_read_t ReadLogText(std::string_view szText, const log_file_t& tFile, host_table_t& tTable);

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

// One snapshot of a pass.
struct planned_log_t {
  const char* szName;            // points into the listing
  std::string_view szStamp;      // the date and time part of the name
  int32_t iLogFileIsOnANewDate;  // the first snapshot of its day
  date_number_t uiFileDate;
};

struct scan_plan_t {
  std::vector<planned_log_t> tLogs;       // the range, in the order of the names' times
  std::vector<planned_log_t> tBaselines;  // those before the range, the newest first
  std::size_t iMisnamed = 0;              // names with the prefix but not a snapshot's shape
  const char* szFirstMisnamed = nullptr;
};

/// True when a name is a snapshot's: the prefix (ASCII case folded), a calendar date YYYYMMDD
/// of the years kFirstDateYear to kLastDateYear, and exactly six characters; with an empty
/// prefix any name that ends so. Gives the date and time part and the date.
bool ReadSnapshotName(std::string_view szName, std::string_view szPrefix, std::string_view& szStamp,
                      date_number_t& uiDate);

/// Chooses, from a listing, the snapshots of one direction dated uiStart to uiEnd (whole
/// days), in the order of the times in their names, and those before uiStart as candidates
/// for the baseline, the newest first.
scan_plan_t ScanLogListing(const dir_listing_t& tListing, std::string_view szPrefix,
                           date_number_t uiStart, date_number_t uiEnd);
