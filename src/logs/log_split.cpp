// Splitting the text of a counter log into rows, one line each.
#include "logs/log_split.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "logs/logs.h"

namespace {

// A header line is skipped by reads of at most this many characters, so a longer first line
// is only partly skipped and its rest taken for the second header line.
constexpr std::size_t kHeaderReadLimit = 1022;

// The white space of the window of the line that begins at iBase, iReadable bytes being
// readable from the line's start; past the line's end all is white space.
uint64_t MarkLineSpaces(std::string_view szLine, std::size_t iReadable, std::size_t iBase) {
  const std::size_t iLeft = szLine.size() - iBase;
  uint64_t uiSpaces = 0;
  uint64_t uiBreaks = 0;
  if (iLeft >= 64 || iReadable - iBase >= 64) {
    MarkLogWindow(szLine.data() + iBase, uiSpaces, uiBreaks);
  } else {
    std::array<char, 64> aTail;
    aTail.fill(' ');
    std::memcpy(aTail.data(), szLine.data() + iBase, iLeft);
    MarkLogWindow(aTail.data(), uiSpaces, uiBreaks);
  }
  return iLeft >= 64 ? uiSpaces : uiSpaces | (~uint64_t{0} << iLeft);
}

}  // namespace

void CarryLogText(log_split_t& tSplit, const char* pBytes, const char* pEnd) {
  const auto iChunk = static_cast<std::size_t>(pEnd - pBytes);
  const std::size_t iRoom = kMaxLogLine - tSplit.iCarried;
  const std::size_t iKeep = iChunk < iRoom ? iChunk : iRoom;
  std::memcpy(tSplit.aCarry + tSplit.iCarried, pBytes, iKeep);
  tSplit.iCarried += iKeep;
  tSplit.bCarryCut = tSplit.bCarryCut || iChunk > iRoom;
}

void TrimLogTokens(log_tokens_t& tTokens, std::size_t iLimit) {
  std::size_t iKeep = 0;
  while (iKeep < tTokens.iTokens && tTokens.aiBegin[iKeep] < iLimit) {
    tTokens.aiEnd[iKeep] = tTokens.aiEnd[iKeep] < iLimit ? tTokens.aiEnd[iKeep] : iLimit;
    ++iKeep;
  }
  tTokens.iTokens = iKeep;
}

void StartLogSplit(log_split_t& tSplit) {
  tSplit.iHeaderLinesLeft = 2;
  tSplit.iHeaderLineLength = 0;
  tSplit.iCarried = 0;
  tSplit.bCarryCut = false;
  tSplit.iRefusedRows = 0;
  tSplit.iTitleLength = 0;
  tSplit.bUnhooked = false;
}

namespace {

// The title of a chain that no rule jumps to: it counted nothing since it was unhooked.
void KeepLogTitle(log_split_t& tSplit, const char* pText, std::size_t iLength, bool bEnds) {
  const std::size_t iRoom = sizeof tSplit.aTitle - tSplit.iTitleLength;
  const std::size_t iKept = iLength < iRoom ? iLength : iRoom;
  std::memcpy(tSplit.aTitle + tSplit.iTitleLength, pText, iKept);
  tSplit.iTitleLength += iKept;
  if (bEnds) {
    const std::string_view szTitle(tSplit.aTitle, tSplit.iTitleLength);
    tSplit.bUnhooked =
        szTitle.starts_with("Chain ") && szTitle.find(" (0 references)") != std::string_view::npos;
  }
}

}  // namespace

const char* SkipLogHeader(log_split_t& tSplit, const char* pNext, const char* pEnd) {
  while (tSplit.iHeaderLinesLeft > 0 && pNext < pEnd) {
    const std::size_t iRoom = kHeaderReadLimit - tSplit.iHeaderLineLength;
    const auto iAvailable = static_cast<std::size_t>(pEnd - pNext);
    const std::size_t iLook = iAvailable < iRoom ? iAvailable : iRoom;
    const auto* pNewline = static_cast<const char*>(std::memchr(pNext, '\n', iLook));
    if (tSplit.iHeaderLinesLeft == 2) {
      KeepLogTitle(
          tSplit, pNext,
          static_cast<std::size_t>((pNewline != nullptr ? pNewline : pNext + iLook) - pNext),
          pNewline != nullptr || tSplit.iHeaderLineLength + iLook >= kHeaderReadLimit);
    }
    if (pNewline != nullptr) {
      pNext = pNewline + 1;
    } else {
      pNext += iLook;
      tSplit.iHeaderLineLength += iLook;
      if (tSplit.iHeaderLineLength < kHeaderReadLimit) {
        return pEnd;
      }
    }
    tSplit.iHeaderLineLength = 0;
    --tSplit.iHeaderLinesLeft;
  }
  return pNext;
}

log_line_t ReadLogLine(std::string_view szLine, std::size_t iReadable, bool bCut,
                       ipt_data_t& tRow) {
  log_tokens_t tTokens;
  tTokens.iTokens = 0;
  std::size_t iBegins = 0;
  uint64_t uiSpaceBefore = 1;  // the line's start counts as white space
  for (std::size_t iBase = 0; iBase < szLine.size() && tTokens.iTokens < kLogTokensLooked;
       iBase += 64) {
    const uint64_t uiSpaces = MarkLineSpaces(szLine, iReadable, iBase);
    AddLogTokens(tTokens, iBegins, iBase, uiSpaces, uiSpaceBefore, ~uint64_t{0});
  }
  CloseLogTokens(tTokens, iBegins, szLine.size());
  return ClassifyLogLine(szLine.data(), szLine.size(), tTokens, bCut, tRow);
}
