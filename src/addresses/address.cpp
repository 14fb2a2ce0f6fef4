// Reading host keys as addresses with the system's parser, once per key.
#include "addresses/address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "accounting/records.h"

namespace {

// Dotted decimal with leading zeros ("010.000.000.001"), which the system's parser refuses,
// written without them; false for anything else.
bool DropLeadingZeros(std::string_view szText, char (&szAddress)[64]) {
  std::string szPlain;
  int iParts = 0;
  while (iParts < 4) {
    const std::size_t iDot = std::min(szText.find('.'), szText.size());
    std::string_view szPart = szText.substr(0, iDot);
    if (szPart.empty() || szPart.size() > 3 ||
        szPart.find_first_not_of("0123456789") != std::string_view::npos) {
      return false;
    }
    while (szPart.size() > 1 && szPart[0] == '0') {
      szPart.remove_prefix(1);
    }
    szPlain += (iParts == 0 ? "" : ".") + std::string(szPart);
    ++iParts;
    if (iDot == szText.size()) {
      break;
    }
    szText.remove_prefix(iDot + 1);
  }
  if (iParts != 4 || szPlain.size() >= sizeof szAddress) {
    return false;
  }
  szPlain.copy(szAddress, szPlain.size());
  szAddress[szPlain.size()] = '\0';
  return true;
}

}  // namespace

bool ReadAddress(std::string_view szKey, address_t& tAddress) {
  tAddress = address_t{};
  std::string_view szText = szKey;
  int iPrefix = -1;
  if (const std::size_t iSlash = szKey.find('/'); iSlash != std::string_view::npos) {
    szText = szKey.substr(0, iSlash);
    const std::string_view szDigits = szKey.substr(iSlash + 1);
    if (szDigits.empty() || szDigits.size() > 3 ||
        szDigits.find_first_not_of("0123456789") != std::string_view::npos) {
      return false;
    }
    iPrefix = 0;
    for (const char cDigit : szDigits) {
      iPrefix = iPrefix * 10 + (cDigit - '0');
    }
  }
  char szAddress[64] = {};
  if (szText.size() >= sizeof szAddress) {
    return false;
  }
  szText.copy(szAddress, szText.size());
  address_t tRead;
  char szPlain[64] = {};
  if (inet_pton(AF_INET, szAddress, tRead.aBytes) == 1 ||
      (DropLeadingZeros(szText, szPlain) && inet_pton(AF_INET, szPlain, tRead.aBytes) == 1)) {
    tRead.iFamily = 0;
    tRead.iPrefix = iPrefix < 0 ? 32 : iPrefix;
  } else if (inet_pton(AF_INET6, szAddress, tRead.aBytes) == 1) {
    tRead.iFamily = 1;
    tRead.iPrefix = iPrefix < 0 ? 128 : iPrefix;
  } else {
    return false;
  }
  if (tRead.iPrefix > (tRead.iFamily == 0 ? 32 : 128)) {
    return false;
  }
  tAddress = tRead;
  return true;
}

std::string MakeAddressKey(std::string_view szKey) {
  address_t tAddress;
  if (!ReadAddress(szKey, tAddress)) {
    return FoldCase(szKey);
  }
  char szText[INET6_ADDRSTRLEN + 8] = {};
  inet_ntop(tAddress.iFamily == 0 ? AF_INET : AF_INET6, tAddress.aBytes, szText, sizeof szText);
  std::string szCanonical = szText;
  if (tAddress.iPrefix != (tAddress.iFamily == 0 ? 32 : 128)) {
    szCanonical += '/';
    szCanonical += std::to_string(tAddress.iPrefix);
  }
  return szCanonical;
}

bool IsBeforeByAddress(const address_t& tLeft, std::string_view szLeft, const address_t& tRight,
                       std::string_view szRight) {
  if (tLeft.iFamily != tRight.iFamily) {
    return tLeft.iFamily < tRight.iFamily;
  }
  if (tLeft.iFamily == 2) {
    return szLeft < szRight;
  }
  const int iCompare = std::memcmp(tLeft.aBytes, tRight.aBytes, tLeft.iFamily == 0 ? 4 : 16);
  if (iCompare != 0) {
    return iCompare < 0;
  }
  return tLeft.iPrefix < tRight.iPrefix;
}
