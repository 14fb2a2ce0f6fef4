// Bounded text copies, ASCII-only case folding and the atoi-style number reader.
#include "accounting/text.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr unsigned char FoldAsciiCase(unsigned char cChar) {
  return (cChar >= 'A' && cChar <= 'Z') ? static_cast<unsigned char>(cChar - 'A' + 'a') : cChar;
}

// White space as isspace sees it in the C locale; the program never changes the locale.
constexpr bool IsCSpace(unsigned char cChar) {
  return cChar == ' ' || (cChar >= '\t' && cChar <= '\r');
}

}  // namespace

std::size_t CopyText(char* pField, std::size_t iCapacity, std::string_view szSource) {
  if (iCapacity == 0) {
    return 0;
  }
  const std::size_t iLength = szSource.size() < iCapacity - 1 ? szSource.size() : iCapacity - 1;
  if (iLength > 0) {
    std::memcpy(pField, szSource.data(), iLength);
  }
  pField[iLength] = '\0';
  return iLength;
}

bool StartsWithIgnoreCase(std::string_view szText, std::string_view szPrefix) {
  if (szText.size() < szPrefix.size()) {
    return false;
  }
  // Every name of a listing is compared with each prefix: bytes alike need no folding.
  for (std::size_t iIdx = 0; iIdx < szPrefix.size(); ++iIdx) {
    if (szText[iIdx] != szPrefix[iIdx] &&
        FoldAsciiCase(static_cast<unsigned char>(szText[iIdx])) !=
            FoldAsciiCase(static_cast<unsigned char>(szPrefix[iIdx]))) {
      return false;
    }
  }
  return true;
}

std::string FoldCase(std::string_view szText) {
  std::string szFolded(szText);
  for (char& cChar : szFolded) {
    cChar = static_cast<char>(FoldAsciiCase(static_cast<unsigned char>(cChar)));
  }
  return szFolded;
}

bool EqualsIgnoreCase(std::string_view szLeft, std::string_view szRight) {
  return szLeft.size() == szRight.size() && StartsWithIgnoreCase(szLeft, szRight);
}

int32_t ParseInt(const char* szText) {
  const auto* pChar = reinterpret_cast<const unsigned char*>(szText);
  while (IsCSpace(*pChar)) {
    ++pChar;
  }
  bool bNegative = false;
  if (*pChar == '+' || *pChar == '-') {
    bNegative = *pChar == '-';
    ++pChar;
  }
  // Accumulate as strtol does, saturating at the long range; atoi then keeps the low 32 bits.
  unsigned long long uiValue = 0;
  const unsigned long long uiLimit =
      bNegative ? static_cast<unsigned long long>(LONG_MAX) + 1ULL : LONG_MAX;
  bool bOverflow = false;
  constexpr unsigned long long kNearLimit = LONG_MAX / 10 - 1;
  for (; *pChar >= '0' && *pChar <= '9'; ++pChar) {
    const unsigned iDigit = *pChar - '0';
    // Only values near the limit need the exact test, so ordinary numbers skip the division.
    if (bOverflow || (uiValue >= kNearLimit && uiValue > (uiLimit - iDigit) / 10)) {
      bOverflow = true;
      continue;
    }
    uiValue = uiValue * 10 + iDigit;
  }
  long lValue = 0;
  if (bOverflow) {
    lValue = bNegative ? LONG_MIN : LONG_MAX;
  } else if (bNegative) {
    lValue = uiValue == static_cast<unsigned long long>(LONG_MAX) + 1ULL
                 ? LONG_MIN
                 : -static_cast<long>(uiValue);
  } else {
    lValue = static_cast<long>(uiValue);
  }
  return static_cast<int32_t>(lValue);
}

bool IsHostNameShown(std::string_view szName) {
  if (szName.empty() || szName.size() > 64) {
    return false;
  }
  return std::all_of(szName.begin(), szName.end(),
                     [](char cChar) { return cChar >= ' ' && cChar <= '~'; });
}
