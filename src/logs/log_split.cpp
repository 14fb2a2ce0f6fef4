// Splitting the text of a counter log into rows, one line each.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "logs/logs.h"

namespace {

// A header line is skipped by reads of at most this many characters, so a longer first line
// is only partly skipped and its rest taken for the second header line.
constexpr std::size_t kHeaderReadLimit = 1022;
// packets, bytes, target, protocol, options, in, out, source, destination, and one more to
// know that a cut line's ninth column is whole.
constexpr std::size_t kTokensLooked = 10;

// White space within a line, as isspace sees it in the C locale.
constexpr std::array<bool, 256> MakeSpaceTable() {
  std::array<bool, 256> abSpace = {};
  for (const unsigned char cSpace : {' ', '\t', '\v', '\f', '\r', '\n'}) {
    abSpace[cSpace] = true;
  }
  return abSpace;
}
constexpr std::array<bool, 256> kIsSpace = MakeSpaceTable();

[[maybe_unused]] bool IsSpace(char cChar) { return kIsSpace[static_cast<unsigned char>(cChar)]; }

// The option column: "--", or a fragment flag.
bool IsOptionWord(std::string_view szToken) {
  return szToken == "--" || szToken == "-f" || szToken == "!f";
}

// Bit i set where byte i of the 64 at pBytes is C white space. Lines are split a window of 64
// bytes at a time: a listing is mostly blanks, and this is where a run spends its time.
uint64_t MarkSpaces(const char* pBytes) {
  uint64_t uiMask = 0;
#if defined(__SSE2__)
  const __m128i tBlank = _mm_set1_epi8(' ');
  const __m128i tTab = _mm_set1_epi8('\t');
  const __m128i tFour = _mm_set1_epi8(4);
  for (int iBlock = 0; iBlock < 4; ++iBlock) {
    const __m128i tBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBytes + 16 * iBlock));
    // Tab to carriage return: the byte less 9 is 4 or less.
    const __m128i tFromTab = _mm_sub_epi8(tBytes, tTab);
    const __m128i tControl = _mm_cmpeq_epi8(_mm_min_epu8(tFromTab, tFour), tFromTab);
    const __m128i tSpaces = _mm_or_si128(_mm_cmpeq_epi8(tBytes, tBlank), tControl);
    uiMask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(tSpaces)))
              << (16 * iBlock);
  }
#else
  for (int iByte = 0; iByte < 64; ++iByte) {
    uiMask |= static_cast<uint64_t>(IsSpace(pBytes[iByte])) << iByte;
  }
#endif
  return uiMask;
}

// The white space of the window of the line that begins at iBase, iReadable bytes being
// readable from the line's start; past the line's end all is white space.
uint64_t MarkLineSpaces(std::string_view szLine, std::size_t iReadable, std::size_t iBase) {
  const std::size_t iLeft = szLine.size() - iBase;
  if (iLeft >= 64) {
    return MarkSpaces(szLine.data() + iBase);
  }
  const uint64_t uiPast = ~uint64_t{0} << iLeft;
  if (iReadable - iBase >= 64) {
    return MarkSpaces(szLine.data() + iBase) | uiPast;
  }
  std::array<char, 64> aTail;
  aTail.fill(' ');
  std::memcpy(aTail.data(), szLine.data() + iBase, iLeft);
  return MarkSpaces(aTail.data()) | uiPast;
}

}  // namespace

void StartLogSplit(log_split_t& tSplit) {
  tSplit.iHeaderLinesLeft = 2;
  tSplit.iHeaderLineLength = 0;
  tSplit.iCarried = 0;
  tSplit.bCarryCut = false;
  tSplit.iRefusedRows = 0;
}

const char* SkipLogHeader(log_split_t& tSplit, const char* pNext, const char* pEnd) {
  while (tSplit.iHeaderLinesLeft > 0 && pNext < pEnd) {
    const std::size_t iRoom = kHeaderReadLimit - tSplit.iHeaderLineLength;
    const auto iAvailable = static_cast<std::size_t>(pEnd - pNext);
    const std::size_t iLook = iAvailable < iRoom ? iAvailable : iRoom;
    const auto* pNewline = static_cast<const char*>(std::memchr(pNext, '\n', iLook));
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
  // Where each token begins and ends; filled in order, read only below iTokens. A token
  // begins where white space is followed by anything else and ends where the reverse happens,
  // so the k-th end closes the k-th beginning.
  std::size_t aiBegin[kTokensLooked];
  std::size_t aiEnd[kTokensLooked];
  std::size_t iBegins = 0;
  std::size_t iEnds = 0;
  uint64_t uiSpaceBefore = 1;  // the line's start counts as white space
  for (std::size_t iBase = 0; iBase < szLine.size() && iEnds < kTokensLooked; iBase += 64) {
    const uint64_t uiSpaces = MarkLineSpaces(szLine, iReadable, iBase);
    const uint64_t uiAfterSpace = (uiSpaces << 1) | uiSpaceBefore;
    uint64_t uiBegins = ~uiSpaces & uiAfterSpace;
    uint64_t uiEnds = uiSpaces & ~uiAfterSpace;
    uiSpaceBefore = uiSpaces >> 63;
    for (; uiBegins != 0 && iBegins < kTokensLooked; uiBegins &= uiBegins - 1) {
      aiBegin[iBegins++] = iBase + static_cast<std::size_t>(std::countr_zero(uiBegins));
    }
    for (; uiEnds != 0 && iEnds < kTokensLooked; uiEnds &= uiEnds - 1) {
      aiEnd[iEnds++] = iBase + static_cast<std::size_t>(std::countr_zero(uiEnds));
    }
  }
  if (iBegins > iEnds) {
    aiEnd[iEnds++] = szLine.size();
  }
  const std::size_t iTokens = iEnds;
  const auto GetToken = [szLine, &aiBegin, &aiEnd](std::size_t iToken) {
    return std::string_view(szLine.data() + aiBegin[iToken], aiEnd[iToken] - aiBegin[iToken]);
  };
  if (iTokens == 0) {
    return bCut ? log_line_t::kRefused : log_line_t::kSkipped;
  }
  if (GetToken(0) == "Chain" || GetToken(0) == "pkts") {
    return log_line_t::kSkipped;
  }
  // A cut line is read only when its first nine columns are whole: a tenth began after them.
  if (iTokens < 8 || (bCut && iTokens < kTokensLooked)) {
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
  return log_line_t::kRow;
}
