// Splitting the text of a counter log into rows, one line each.
#include <array>
#include <cstddef>
#include <cstring>

#include "logs/logs.h"

namespace {

// A header line is skipped by reads of at most this many characters, so a longer first line
// is only partly skipped and its rest taken for the second header line.
constexpr std::size_t kHeaderReadLimit = 1022;
constexpr std::size_t kMaxKeyToken = kIpBuf - 1;
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

bool IsSpace(char cChar) { return kIsSpace[static_cast<unsigned char>(cChar)]; }

// The option column: "--", or a fragment flag.
bool IsOptionWord(std::string_view szToken) {
  return szToken == "--" || szToken == "-f" || szToken == "!f";
}

template <std::size_t N>
void CopyColumn(char (&szField)[N], std::string_view szToken) {
  CopyText(szField, N, szToken);
}

}  // namespace

void StartLogSplit(log_split_t& tSplit, int32_t iDirection) {
  tSplit.iDirection = iDirection;
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

log_line_t ReadLogLine(std::string_view szLine, int32_t iDirection, bool bCut, ipt_data_t& tRow) {
  std::array<std::string_view, kTokensLooked> aTokens;
  std::size_t iTokens = 0;
  std::size_t iAt = 0;
  while (iTokens < kTokensLooked) {
    while (iAt < szLine.size() && IsSpace(szLine[iAt])) {
      ++iAt;
    }
    if (iAt == szLine.size()) {
      break;
    }
    const std::size_t iStart = iAt;
    while (iAt < szLine.size() && !IsSpace(szLine[iAt])) {
      ++iAt;
    }
    aTokens[iTokens++] = szLine.substr(iStart, iAt - iStart);
  }
  if (iTokens == 0) {
    return bCut ? log_line_t::kRefused : log_line_t::kSkipped;
  }
  if (aTokens[0] == "Chain" || aTokens[0] == "pkts") {
    return log_line_t::kSkipped;
  }
  // A cut line is read only when its first nine columns are whole: a tenth began after them.
  if (iTokens < 8 || (bCut && iTokens < kTokensLooked)) {
    return log_line_t::kRefused;
  }
  // A rule with a target prints it before the protocol; the option column then moves to the
  // fifth place.
  const bool bTarget = iTokens >= 9 && !IsOptionWord(aTokens[3]) && IsOptionWord(aTokens[4]);
  const std::size_t iProt = bTarget ? 3 : 2;
  const std::string_view szBytes = aTokens[1];
  const std::string_view szKey = aTokens[iDirection == 0 ? iProt + 5 : iProt + 4];
  // A cut counter is a wrong number and a cut address can merge two hosts; so can a NUL,
  // which would end the column early.
  if (szBytes.size() >= kBytesBuf || szKey.size() > kMaxKeyToken ||
      szBytes.find('\0') != std::string_view::npos || szKey.find('\0') != std::string_view::npos) {
    return log_line_t::kRefused;
  }
  tRow = {};
  CopyColumn(tRow.sPackets, aTokens[0]);
  CopyColumn(tRow.sBytes, szBytes);
  CopyColumn(tRow.sProt, aTokens[iProt]);
  CopyColumn(tRow.sOp, aTokens[iProt + 1]);
  CopyColumn(tRow.sIn, aTokens[iProt + 2]);
  CopyColumn(tRow.sOut, aTokens[iProt + 3]);
  CopyColumn(tRow.sSource, aTokens[iProt + 4]);
  CopyColumn(tRow.sDestination, aTokens[iProt + 5]);
  return log_line_t::kRow;
}
