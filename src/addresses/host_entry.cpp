// Reading the kit's host entries with the system's address parser and writing them with its
// printer, which is the firewall's: the rules the kit makes are listed exactly as it wrote them.
#include "addresses/host_entry.h"

#include <arpa/inet.h>

#include <cstring>

namespace {

// The mark rule's name: a host named so would be taken for the mark.
constexpr std::string_view kMarkName = "netreckon-reset-mark";

bool IsNameChar(char cChar) {
  return (cChar >= 'A' && cChar <= 'Z') || (cChar >= 'a' && cChar <= 'z') ||
         (cChar >= '0' && cChar <= '9') || cChar == '.' || cChar == '_' || cChar == '-';
}

// A prefix length as the firewall reads it: decimal without a leading zero (one makes it octal
// there), from 1 to iMost.
bool ReadPrefixLength(std::string_view szDigits, int iMost, int& iPrefix) {
  if (szDigits.empty() || szDigits.size() > 3 || szDigits[0] < '1' || szDigits[0] > '9' ||
      szDigits.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  iPrefix = 0;
  for (const char cDigit : szDigits) {
    iPrefix = iPrefix * 10 + (cDigit - '0');
  }
  return iPrefix <= iMost;
}

}  // namespace

bool ReadHostEntry(std::string_view szText, host_entry_t& tEntry, std::string& szReason) {
  tEntry = host_entry_t{};
  std::string_view szAddress = szText;
  if (const std::size_t iEquals = szText.find('='); iEquals != std::string_view::npos) {
    const std::string_view szName = szText.substr(iEquals + 1);
    szAddress = szText.substr(0, iEquals);
    bool bNameOk = !szName.empty() && szName.size() <= 32;
    for (const char cChar : szName) {
      bNameOk = bNameOk && IsNameChar(cChar);
    }
    if (!bNameOk) {
      szReason = "a name is 1 to 32 letters, digits, '.', '_' or '-'";
      return false;
    }
    if (szName == kMarkName) {
      szReason = "the kit's own mark rule bears that name";
      return false;
    }
    tEntry.szName.assign(szName);
  }
  std::string_view szDigits;
  bool bPrefixGiven = false;
  if (const std::size_t iSlash = szAddress.find('/'); iSlash != std::string_view::npos) {
    szDigits = szAddress.substr(iSlash + 1);
    szAddress = szAddress.substr(0, iSlash);
    bPrefixGiven = true;
  }
  const bool bSix = szAddress.find(':') != std::string_view::npos;
  const int iFamily = bSix ? AF_INET6 : AF_INET;
  const int iWidth = bSix ? 128 : 32;
  char szParsed[64];
  if (szAddress.size() >= sizeof szParsed) {
    szReason = bSix ? "not an IPv6 address" : "not an IPv4 address";
    return false;
  }
  szAddress.copy(szParsed, szAddress.size());
  szParsed[szAddress.size()] = '\0';
  address_t& tAddress = tEntry.tAddress;
  if (inet_pton(iFamily, szParsed, tAddress.aBytes) != 1) {
    szReason = bSix ? "not an IPv6 address" : "not an IPv4 address";
    return false;
  }
  tAddress.iFamily = bSix ? 1 : 0;
  tAddress.iPrefix = iWidth;
  if (bPrefixGiven && !ReadPrefixLength(szDigits, iWidth, tAddress.iPrefix)) {
    szReason = bSix ? "not a prefix length from 1 to 128" : "not a prefix length from 1 to 32";
    return false;
  }
  // The firewall clears the host bits of a network and lists it so.
  for (int iBit = tAddress.iPrefix; iBit < iWidth; ++iBit) {
    tAddress.aBytes[iBit / 8] &= static_cast<uint8_t>(~(0x80u >> (iBit % 8)));
  }
  char szWritten[INET6_ADDRSTRLEN];
  if (inet_ntop(iFamily, tAddress.aBytes, szWritten, sizeof szWritten) == nullptr) {
    szReason = bSix ? "not an IPv6 address" : "not an IPv4 address";
    return false;
  }
  tEntry.szEntry = std::string(szWritten) + "/" + std::to_string(tAddress.iPrefix);
  return true;
}

bool IsInsideHostEntry(const host_entry_t& tOuter, const host_entry_t& tInner) {
  const address_t& tOut = tOuter.tAddress;
  const address_t& tIn = tInner.tAddress;
  if (tOut.iFamily != tIn.iFamily || tOut.iPrefix >= tIn.iPrefix) {
    return false;
  }
  for (int iBit = 0; iBit < tOut.iPrefix; ++iBit) {
    const unsigned uiMask = 0x80u >> (iBit % 8);
    if ((tOut.aBytes[iBit / 8] & uiMask) != (tIn.aBytes[iBit / 8] & uiMask)) {
      return false;
    }
  }
  return true;
}
