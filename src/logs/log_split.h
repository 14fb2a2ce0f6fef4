// Splitting the text of a counter log into rows, a line each, 64 bytes at a time: the reader's
// own machinery, not part of what the logs offer the rest of the program.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
/// when it is a line break. Inline: it runs for every 64 bytes of every log.
inline void MarkLogWindow(const char* pBytes, uint64_t& uiSpaces, uint64_t& uiBreaks) {
  uint64_t uiSpaceBits = 0;
  uint64_t uiBreakBits = 0;
#if defined(__SSE2__)
  const __m128i tBlank = _mm_set1_epi8(' ');
  const __m128i tBreak = _mm_set1_epi8('\n');
  const __m128i tTab = _mm_set1_epi8('\t');
  const __m128i tFour = _mm_set1_epi8(4);
  for (std::ptrdiff_t iBlock = 0; iBlock < 4; ++iBlock) {
    const __m128i tBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBytes + 16 * iBlock));
    // Tab to carriage return: the byte less 9 is 4 or less.
    const __m128i tFromTab = _mm_sub_epi8(tBytes, tTab);
    const __m128i tControl = _mm_cmpeq_epi8(_mm_min_epu8(tFromTab, tFour), tFromTab);
    const __m128i tSpaces = _mm_or_si128(_mm_cmpeq_epi8(tBytes, tBlank), tControl);
    const auto iShift = 16 * iBlock;
    uiSpaceBits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(tSpaces)))
                   << iShift;
    uiBreakBits |= static_cast<uint64_t>(
                       static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(tBytes, tBreak))))
                   << iShift;
  }
#else
  for (int iByte = 0; iByte < 64; ++iByte) {
    const auto cByte = static_cast<unsigned char>(pBytes[iByte]);
    uiSpaceBits |= static_cast<uint64_t>(cByte == ' ' || (cByte >= '\t' && cByte <= '\r')) << iByte;
    uiBreakBits |= static_cast<uint64_t>(pBytes[iByte] == '\n') << iByte;
  }
#endif
  uiSpaces = uiSpaceBits;
  uiBreaks = uiBreakBits;
}

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

// The option column: "--", or a fragment flag.
inline bool IsOptionWord(std::string_view szToken) {
  return szToken == "--" || szToken == "-f" || szToken == "!f";
}

/// Tells what a line is from its tokens (see ReadLogLine) and fills the row of a kRow; the
/// line's text ends at offset iLineEnd. Inline: it runs for every line.
inline log_line_t ClassifyLogLine(const char* pLine, std::size_t iLineEnd,
                                  const log_tokens_t& tTokens, bool bCut, ipt_data_t& tRow) {
  const std::size_t iTokens = tTokens.iTokens;
  const auto GetToken = [pLine, &tTokens](std::size_t iToken) {
    return std::string_view(pLine + tTokens.aiBegin[iToken],
                            tTokens.aiEnd[iToken] - tTokens.aiBegin[iToken]);
  };
  if (iTokens == 0) {
    return bCut ? log_line_t::kRefused : log_line_t::kSkipped;
  }
  // A row begins with a count: only a title's first letters need the comparison.
  const char cFirst = pLine[tTokens.aiBegin[0]];
  if ((cFirst == 'C' || cFirst == 'p') && (GetToken(0) == "Chain" || GetToken(0) == "pkts")) {
    return log_line_t::kSkipped;
  }
  // A cut line is read only when its first nine columns are whole: a tenth began after them.
  if (iTokens < 8 || (bCut && iTokens < kLogTokensLooked)) {
    return log_line_t::kRefused;
  }
  // A rule with a target prints it before the protocol; the option column then moves to the
  // fifth place.
  const bool bTarget = iTokens >= 9 && !IsOptionWord(GetToken(3)) && IsOptionWord(GetToken(4));
  const std::size_t iProt = bTarget ? 3 : 2;
  tRow.sPackets = GetToken(0);
  tRow.sBytes = GetToken(1);
  tRow.sProt = GetToken(iProt);
  tRow.sOp = GetToken(iProt + 1);
  tRow.sIn = GetToken(iProt + 2);
  tRow.sOut = GetToken(iProt + 3);
  tRow.sSource = GetToken(iProt + 4);
  tRow.sDestination = GetToken(iProt + 5);
  // Most rows end at the destination but for padding: their rest is empty, at the line's end,
  // so that no row pays to look through blanks for a comment.
  const std::size_t iRest = iTokens > iProt + 6 ? tTokens.aiEnd[iProt + 5] : iLineEnd;
  tRow.sRest = std::string_view(pLine + iRest, iLineEnd - iRest);
  return log_line_t::kRow;
}

/// Reads one line (without its line break) into a row of views into it. Blank lines and title
/// lines (first token "Chain" or "pkts") are kSkipped; lines of one to seven tokens are
/// kRefused. The target column is told apart by the option column after it; columns after the
/// destination are ignored. The row's sRest is what follows the destination, empty (and at
/// the line's end) when that is only white space. `bCut` says the line went on past what is given:
/// it is a row only when its first nine columns lie whole within it. `iReadable` (at least the
/// line's length) bytes may be read from the line's start: with 64 more than the line, no byte is
/// copied.
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
