// Reading host names from hosts files and DHCP lease files.
#include <algorithm>
#include <charconv>
#include <string>
#include <unordered_map>

#include "accounting/records.h"
#include "addresses/address.h"
#include "files/bounded_file.h"
#include "names/names.h"

namespace {

// A name a DHCP client chose: none when it reads as an address (it would title a second row
// with another host's address) or is not 1 to 64 printable characters.
std::string MakeLeaseName(std::string_view szName) {
  address_t tAddress;
  if (!IsHostNameShown(szName) || ReadAddress(szName, tAddress)) {
    return {};
  }
  return std::string(szName);
}

// Whole digits as a count of seconds; false for anything else or more than 18 digits.
bool ReadSeconds(std::string_view szText, long long& llValue) {
  if (szText.empty() || szText.size() > 18 ||
      szText.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  std::from_chars(szText.data(), szText.data() + szText.size(), llValue);
  return true;
}

// The leases of one file: a later lease of an address ends the one before it, at the latest at
// llCut; tLastOf holds the position of each key's last lease.
void EndLastLease(names_t& tNames, std::unordered_map<std::string, std::size_t>& tLastOf,
                  const std::string& szKey, long long llCut) {
  if (const auto pLast = tLastOf.find(szKey); pLast != tLastOf.end()) {
    name_entry_t& tLast = tNames[pLast->second];
    tLast.llUntil = std::min(tLast.llUntil, std::max(llCut, tLast.llFrom));
  }
}

void AddLease(names_t& tNames, std::unordered_map<std::string, std::size_t>& tLastOf,
              std::string szKey, std::string_view szName, long long llFrom, long long llUntil) {
  EndLastLease(tNames, tLastOf, szKey, llFrom);
  tLastOf[szKey] = tNames.size();
  tNames.push_back(
      {std::move(szKey), MakeLeaseName(szName), name_source_t::kLease, llFrom, llUntil});
}

void ReadHostsText(std::string_view szText, names_t& tNames) {
  while (!szText.empty()) {
    const std::size_t iBreak = std::min(szText.find('\n'), szText.size());
    std::string szLine(szText.substr(0, iBreak));
    szText.remove_prefix(iBreak < szText.size() ? iBreak + 1 : iBreak);
    if (const std::size_t iComment = szLine.find('#'); iComment != std::string::npos) {
      szLine.resize(iComment);
    }
    std::vector<std::string_view> tTokens;
    std::string_view szRest(szLine);
    while (!szRest.empty()) {
      const std::size_t iStart = szRest.find_first_not_of(" \t\r");
      if (iStart == std::string_view::npos) {
        break;
      }
      szRest.remove_prefix(iStart);
      const std::size_t iEnd = std::min(szRest.find_first_of(" \t\r"), szRest.size());
      tTokens.push_back(szRest.substr(0, iEnd));
      szRest.remove_prefix(iEnd);
    }
    if (tTokens.size() < 2) {
      continue;
    }
    // A lease line begins with its expiry time, all digits.
    const bool bLease = tTokens[0].find_first_not_of("0123456789") == std::string_view::npos;
    if (bLease && tTokens.size() < 4) {
      continue;
    }
    if (bLease) {
      // A lease's start is not written; its expiry is, 0 for a lease that never ends. "*" is
      // how a lease says the client gave no name: the address is leased but named by nobody.
      long long llExpiry = 0;
      ReadSeconds(tTokens[0], llExpiry);
      tNames.push_back({MakeAddressKey(tTokens[2]),
                        tTokens[3] == "*" ? "" : MakeLeaseName(tTokens[3]), name_source_t::kLease,
                        kLeaseAlways, llExpiry == 0 ? kLeaseForever : llExpiry});
    } else {
      tNames.push_back({MakeAddressKey(tTokens[0]), std::string(tTokens[1])});
    }
  }
}

// The next line of a text, without its break (and a carriage return before it).
std::string_view TakeLine(std::string_view& szText) {
  const std::size_t iBreak = std::min(szText.find('\n'), szText.size());
  std::string_view szLine = szText.substr(0, iBreak);
  szText.remove_prefix(iBreak < szText.size() ? iBreak + 1 : iBreak);
  if (!szLine.empty() && szLine.back() == '\r') {
    szLine.remove_suffix(1);
  }
  return szLine;
}

std::string_view TrimBlanks(std::string_view szText) {
  const std::size_t iFirst = szText.find_first_not_of(" \t");
  if (iFirst == std::string_view::npos) {
    return {};
  }
  return szText.substr(iFirst, szText.find_last_not_of(" \t") - iFirst + 1);
}

// A time of the ISC server's lease file after its keyword: "W YYYY/MM/DD HH:MM:SS" (UTC),
// "epoch SECONDS" or "never"; false for anything else.
bool ReadIscTime(std::string_view szText, long long& llTime) {
  if (szText.ends_with(';')) {
    szText.remove_suffix(1);
  }
  if (szText == "never") {
    llTime = kLeaseForever;
    return true;
  }
  if (szText.starts_with("epoch ")) {
    szText.remove_prefix(6);
    return ReadSeconds(szText.substr(0, std::min(szText.find(';'), szText.size())), llTime);
  }
  // "W YYYY/MM/DD HH:MM:SS": the weekday, then six numbers between fixed separators.
  const std::size_t iBlank = szText.find(' ');
  if (iBlank == std::string_view::npos) {
    return false;
  }
  std::string_view szRest = szText.substr(iBlank + 1);
  int aParts[6] = {};
  constexpr char kAfter[] = "// ::";
  for (int iPart = 0; iPart < 6; ++iPart) {
    const char* pEnd = szRest.data() + szRest.size();
    const auto [pNext, eError] = std::from_chars(szRest.data(), pEnd, aParts[iPart]);
    if (eError != std::errc() || pNext == szRest.data() ||
        (iPart < 5 ? pNext == pEnd || *pNext != kAfter[iPart] : pNext != pEnd)) {
      return false;
    }
    szRest.remove_prefix(static_cast<std::size_t>(pNext - szRest.data()) + (iPart < 5 ? 1 : 0));
  }
  const auto [iYear, iMonth, iDay, iHour, iMinute, iSecond] = aParts;
  if (iYear < 1970 || iYear > 9999 || iMonth < 1 || iMonth > 12 || iDay < 1 || iDay > 31 ||
      iHour < 0 || iHour > 23 || iMinute < 0 || iMinute > 59 || iSecond < 0 || iSecond > 60) {
    return false;
  }
  llTime =
      CountEpochDaysOf(iYear, iMonth, iDay) * 86400LL + iHour * 3600LL + iMinute * 60LL + iSecond;
  return true;
}

// A lease file of the ISC server: "lease ADDRESS {" blocks of statements ending in ';', a
// later block of an address replacing the one before. An active binding is valid from its
// starts to its ends (and names its address when the client gave a name); a block in another
// state (free, released, expired, abandoned) ends the lease before it at its ends.
void ReadIscLeases(std::string_view szText, names_t& tNames) {
  std::unordered_map<std::string, std::size_t> tLastOf;
  std::string_view szAddress;
  std::string_view szName;
  bool bActive = false;
  bool bInLease = false;
  long long llStarts = kLeaseAlways;
  long long llEnds = kLeaseForever;
  while (!szText.empty()) {
    const std::string_view szLine = TrimBlanks(TakeLine(szText));
    if (!bInLease) {
      if (szLine.starts_with("lease ") && szLine.ends_with("{")) {
        szAddress = TrimBlanks(szLine.substr(6, szLine.size() - 7));
        szName = {};
        bActive = false;
        bInLease = true;
        llStarts = kLeaseAlways;
        llEnds = kLeaseForever;
      }
      continue;
    }
    if (szLine.starts_with("}")) {
      std::string szKey = MakeAddressKey(szAddress);
      if (bActive) {
        AddLease(tNames, tLastOf, std::move(szKey), szName, llStarts, llEnds);
      } else {
        EndLastLease(tNames, tLastOf, szKey, llEnds);
      }
      bInLease = false;
    } else if (szLine == "binding state active;") {
      bActive = true;
    } else if (szLine.starts_with("binding state ")) {
      bActive = false;
    } else if (szLine.starts_with("starts ")) {
      ReadIscTime(szLine.substr(7), llStarts);
    } else if (szLine.starts_with("ends ")) {
      ReadIscTime(szLine.substr(5), llEnds);
    } else if (szLine.starts_with("client-hostname \"") && szLine.ends_with("\";")) {
      szName = szLine.substr(17, szLine.size() - 19);
    }
  }
}

// Kea writes a comma, and other bytes that would break its CSV, as "&#x" and two hex digits.
std::string DecodeKeaText(std::string_view szText) {
  std::string szDecoded;
  while (!szText.empty()) {
    unsigned int uiByte = 0;
    if (szText.size() >= 5 && szText.starts_with("&#x") &&
        std::from_chars(szText.data() + 3, szText.data() + 5, uiByte, 16).ptr ==
            szText.data() + 5) {
      szDecoded += static_cast<char>(uiByte);
      szText.remove_prefix(5);
      continue;
    }
    szDecoded += szText.front();
    szText.remove_prefix(1);
  }
  return szDecoded;
}

// A lease file of the Kea server: CSV whose header names the columns, a later line of an
// address replacing the one before. A lease in the default state (0) is valid for its
// valid_lifetime up to its expire; a line in another state or of no lifetime (released,
// declined, reclaimed) ends the lease before it. A name's final dot (a fully qualified name)
// is left out.
void ReadKeaLeases(std::string_view szText, names_t& tNames) {
  const auto Split = [](std::string_view szLine) {
    std::vector<std::string_view> tFields;
    for (;;) {
      const std::size_t iComma = szLine.find(',');
      tFields.push_back(szLine.substr(0, iComma));
      if (iComma == std::string_view::npos) {
        return tFields;
      }
      szLine.remove_prefix(iComma + 1);
    }
  };
  const std::vector<std::string_view> tHeader = Split(TakeLine(szText));
  const auto Column = [&tHeader](std::string_view szName) {
    return static_cast<std::size_t>(std::find(tHeader.begin(), tHeader.end(), szName) -
                                    tHeader.begin());
  };
  const std::size_t iAddress = Column("address");
  const std::size_t iHostname = Column("hostname");
  const std::size_t iState = Column("state");
  const std::size_t iLifetime = Column("valid_lifetime");
  const std::size_t iExpire = Column("expire");
  std::unordered_map<std::string, std::size_t> tLastOf;
  while (!szText.empty()) {
    const std::vector<std::string_view> tFields = Split(TakeLine(szText));
    if (iAddress >= tFields.size() || iHostname >= tFields.size()) {
      continue;
    }
    long long llLifetime = -1;
    long long llExpire = kLeaseForever;
    const bool bTimes = iLifetime < tFields.size() && iExpire < tFields.size() &&
                        ReadSeconds(tFields[iLifetime], llLifetime) &&
                        ReadSeconds(tFields[iExpire], llExpire);
    std::string szKey = MakeAddressKey(tFields[iAddress]);
    if ((iState < tFields.size() && tFields[iState] != "0") || llLifetime == 0) {
      EndLastLease(tNames, tLastOf, szKey, llExpire);
      continue;
    }
    std::string szName = DecodeKeaText(tFields[iHostname]);
    if (szName.ends_with('.')) {
      szName.pop_back();
    }
    const long long llFrom =
        bTimes && llExpire != kLeaseForever ? llExpire - llLifetime : kLeaseAlways;
    AddLease(tNames, tLastOf, std::move(szKey), szName, llFrom, bTimes ? llExpire : kLeaseForever);
  }
}

}  // namespace

void ReadNamesText(std::string_view szText, names_t& tNames) {
  // Told apart by content: Kea's header, the ISC server's lease blocks, else hosts and
  // dnsmasq lease lines.
  if (szText.starts_with("address,")) {
    ReadKeaLeases(szText, tNames);
  } else if (szText.find("\nlease ") != std::string_view::npos || szText.starts_with("lease ")) {
    ReadIscLeases(szText, tNames);
  } else {
    ReadHostsText(szText, tNames);
  }
}

names_outcome_t ReadNamesFile(const char* szPath, names_t& tNames, int& iError) {
  std::string szText;
  switch (ReadBoundedFile(szPath, kMaxNamesFileBytes, false, szText, iError)) {
    case file_read_t::kRead: ReadNamesText(szText, tNames); return names_outcome_t::kRead;
    case file_read_t::kNotAFile:
    case file_read_t::kSymlink: return names_outcome_t::kNotAFile;
    case file_read_t::kTooLarge: return names_outcome_t::kTooLarge;
    case file_read_t::kUnreadable: return names_outcome_t::kUnreadable;
  }
  return names_outcome_t::kUnreadable;
}

void AddNamesToBook(names_t& tNames, name_book_t& tBook) {
  for (name_entry_t& tEntry : tNames) {
    if (tEntry.eSource == name_source_t::kAdmin) {
      tBook.tAdmin[tEntry.szKey] = std::move(tEntry.szName);
    } else {
      tBook.tLeases[tEntry.szKey].push_back(
          {std::move(tEntry.szName), tEntry.llFrom, tEntry.llUntil});
    }
  }
}

bool FindLeaseName(const std::vector<lease_span_t>& tLeases, long long llFrom, long long llUntil,
                   std::string& szName) {
  const lease_span_t* pNewest = nullptr;
  for (const lease_span_t& tLease : tLeases) {
    if (tLease.llFrom < tLease.llUntil && tLease.llFrom < llUntil && tLease.llUntil > llFrom &&
        (pNewest == nullptr || tLease.llFrom >= pNewest->llFrom)) {
      pNewest = &tLease;
    }
  }
  if (pNewest == nullptr) {
    return false;
  }
  szName = pNewest->szName;
  return true;
}
