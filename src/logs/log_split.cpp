// Splitting the text of a counter log into rows of eight columns, chunk by chunk.
#include <array>
#include <cstddef>
#include <cstring>

#include "logs/logs.h"

namespace {

// A header line is skipped by reads of at most this many characters, so a longer first line
// is only partly skipped and its rest taken for the second header line.
constexpr std::size_t kHeaderReadLimit = 1022;
constexpr std::size_t kMaxKeyToken = kIpBuf - 1;
constexpr int kBytesColumn = 1;
constexpr int kSourceColumn = 6;
constexpr int kDestinationColumn = 7;

struct column_t {
  std::size_t iOffset;
  std::size_t iCapacity;
};

constexpr std::array<column_t, kRowColumns> kColumns = {{
    {offsetof(ipt_data_t, sPackets), sizeof(ipt_data_t::sPackets)},
    {offsetof(ipt_data_t, sBytes), sizeof(ipt_data_t::sBytes)},
    {offsetof(ipt_data_t, sProt), sizeof(ipt_data_t::sProt)},
    {offsetof(ipt_data_t, sOp), sizeof(ipt_data_t::sOp)},
    {offsetof(ipt_data_t, sIn), sizeof(ipt_data_t::sIn)},
    {offsetof(ipt_data_t, sOut), sizeof(ipt_data_t::sOut)},
    {offsetof(ipt_data_t, sSource), sizeof(ipt_data_t::sSource)},
    {offsetof(ipt_data_t, sDestination), sizeof(ipt_data_t::sDestination)},
}};

// White space as isspace sees it in the C locale.
constexpr std::array<bool, 256> MakeSpaceTable() {
  std::array<bool, 256> abSpace = {};
  for (const unsigned char cSpace : {' ', '\t', '\n', '\v', '\f', '\r'}) {
    abSpace[cSpace] = true;
  }
  return abSpace;
}
constexpr std::array<bool, 256> kIsSpace = MakeSpaceTable();

bool IsSpace(char cChar) { return kIsSpace[static_cast<unsigned char>(cChar)]; }

char* GetColumn(ipt_data_t& tRow, int iColumn) {
  return reinterpret_cast<char*>(&tRow) + kColumns[iColumn].iOffset;
}

void EndToken(log_split_t& tSplit, log_row_fn pOnRow, void* pContext) {
  const int iKeyColumn = tSplit.iDirection == 0 ? kDestinationColumn : kSourceColumn;
  // A cut counter is a wrong number and a cut address can merge two hosts: such rows are
  // refused rather than cut.
  if ((tSplit.iColumn == kBytesColumn &&
       (tSplit.iTokenLength >= kBytesBuf ||
        !IsByteTokenReadable(std::string_view(tSplit.tRow.sBytes, tSplit.iTokenLength)))) ||
      (tSplit.iColumn == iKeyColumn && tSplit.iTokenLength > kMaxKeyToken)) {
    tSplit.bRowRefused = true;
  }
  tSplit.bInToken = false;
  tSplit.iTokenLength = 0;
  if (++tSplit.iColumn < kRowColumns) {
    return;
  }
  if (tSplit.bRowRefused) {
    ++tSplit.iRefusedRows;
  } else {
    pOnRow(pContext, tSplit.tRow);
  }
  tSplit.tRow = {};
  tSplit.iColumn = 0;
  tSplit.bRowRefused = false;
}

}  // namespace

void StartLogSplit(log_split_t& tSplit, int32_t iDirection) {
  tSplit = {};
  tSplit.iDirection = iDirection;
  tSplit.iHeaderLinesLeft = 2;
}

void FeedLogSplit(log_split_t& tSplit, const char* pBytes, std::size_t iLength, log_row_fn pOnRow,
                  void* pContext) {
  const char* pNext = pBytes;
  const char* const pEnd = pBytes + iLength;
  while (tSplit.iHeaderLinesLeft > 0 && pNext < pEnd) {
    const std::size_t iRoom = kHeaderReadLimit - tSplit.iHeaderLineLength;
    const std::size_t iAvailable = static_cast<std::size_t>(pEnd - pNext);
    const std::size_t iLook = iAvailable < iRoom ? iAvailable : iRoom;
    const auto* pNewline = static_cast<const char*>(std::memchr(pNext, '\n', iLook));
    if (pNewline != nullptr) {
      pNext = pNewline + 1;
    } else {
      pNext += iLook;
      tSplit.iHeaderLineLength += iLook;
      if (tSplit.iHeaderLineLength < kHeaderReadLimit) {
        return;
      }
    }
    tSplit.iHeaderLineLength = 0;
    --tSplit.iHeaderLinesLeft;
  }
  while (pNext < pEnd) {
    if (!tSplit.bInToken) {
      while (pNext < pEnd && IsSpace(*pNext)) {
        ++pNext;
      }
      if (pNext == pEnd) {
        return;
      }
      tSplit.bInToken = true;
    }
    const char* const pTokenStart = pNext;
    while (pNext < pEnd && !IsSpace(*pNext)) {
      ++pNext;
    }
    const auto iChunk = static_cast<std::size_t>(pNext - pTokenStart);
    const std::size_t iRoom = kColumns[tSplit.iColumn].iCapacity - 1;
    if (tSplit.iTokenLength < iRoom) {
      const std::size_t iLeft = iRoom - tSplit.iTokenLength;
      std::memcpy(GetColumn(tSplit.tRow, tSplit.iColumn) + tSplit.iTokenLength, pTokenStart,
                  iChunk < iLeft ? iChunk : iLeft);
    }
    tSplit.iTokenLength += iChunk;
    if (pNext < pEnd) {
      EndToken(tSplit, pOnRow, pContext);
    }
  }
}

void FinishLogSplit(log_split_t& tSplit, log_row_fn pOnRow, void* pContext) {
  if (tSplit.bInToken) {
    EndToken(tSplit, pOnRow, pContext);
  }
}

int SplitLogText(std::string_view szText, int32_t iDirection, log_row_fn pOnRow, void* pContext) {
  log_split_t tSplit;
  StartLogSplit(tSplit, iDirection);
  FeedLogSplit(tSplit, szText.data(), szText.size(), pOnRow, pContext);
  FinishLogSplit(tSplit, pOnRow, pContext);
  return tSplit.iRefusedRows;
}
