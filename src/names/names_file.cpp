// Reading host names from hosts files and DHCP lease files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "addresses/address.h"
#include "names/names.h"

namespace {

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
    const std::string_view szAddress = bLease ? tTokens[2] : tTokens[0];
    const std::string_view szName = bLease ? tTokens[3] : tTokens[1];
    // "*" is how a lease says the client gave no name: this line names nothing.
    if (szName != "*") {
      tNames.emplace_back(MakeAddressKey(szAddress), std::string(szName));
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

// A lease file of the ISC server: "lease ADDRESS {" blocks of statements ending in ';'. A
// block names its address when its binding state is active and the client gave a name; a
// later active binding of the address wins.
void ReadIscLeases(std::string_view szText, names_t& tNames) {
  std::string_view szAddress;
  std::string_view szName;
  bool bActive = false;
  bool bInLease = false;
  while (!szText.empty()) {
    const std::string_view szLine = TrimBlanks(TakeLine(szText));
    if (!bInLease) {
      if (szLine.starts_with("lease ") && szLine.ends_with("{")) {
        szAddress = TrimBlanks(szLine.substr(6, szLine.size() - 7));
        szName = {};
        bActive = false;
        bInLease = true;
      }
      continue;
    }
    if (szLine.starts_with("}")) {
      if (bActive && !szName.empty()) {
        tNames.emplace_back(MakeAddressKey(szAddress), std::string(szName));
      }
      bInLease = false;
    } else if (szLine == "binding state active;") {
      bActive = true;
    } else if (szLine.starts_with("binding state ")) {
      bActive = false;
    } else if (szLine.starts_with("client-hostname \"") && szLine.ends_with("\";")) {
      szName = szLine.substr(17, szLine.size() - 19);
    }
  }
}

// A lease file of the Kea server: CSV whose header names the columns; a lease in the default
// state (0) with a host name names its address, later lines winning. A name's final dot (a
// fully qualified name) is left out.
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
  while (!szText.empty()) {
    const std::vector<std::string_view> tFields = Split(TakeLine(szText));
    if (iAddress >= tFields.size() || iHostname >= tFields.size() ||
        (iState < tFields.size() && tFields[iState] != "0")) {
      continue;
    }
    std::string_view szName = tFields[iHostname];
    if (szName.ends_with('.')) {
      szName.remove_suffix(1);
    }
    if (!szName.empty()) {
      tNames.emplace_back(MakeAddressKey(tFields[iAddress]), std::string(szName));
    }
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
  const int iFd = open(szPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (iFd < 0) {
    iError = errno;
    return names_outcome_t::kUnreadable;
  }
  struct stat tStat = {};
  names_outcome_t eOutcome = names_outcome_t::kRead;
  std::string szText;
  if (fstat(iFd, &tStat) != 0) {
    iError = errno;
    eOutcome = names_outcome_t::kUnreadable;
  } else if (!S_ISREG(tStat.st_mode)) {
    eOutcome = names_outcome_t::kNotAFile;
  } else if (tStat.st_size > kMaxNamesFileBytes) {
    eOutcome = names_outcome_t::kTooLarge;
  } else {
    // A file that grows while it is read still ends at the bound.
    char aBuffer[65536];
    for (;;) {
      const ssize_t iRead = read(iFd, aBuffer, sizeof aBuffer);
      if (iRead < 0 && errno == EINTR) {
        continue;
      }
      if (iRead < 0) {
        iError = errno;
        eOutcome = names_outcome_t::kUnreadable;
        break;
      }
      if (iRead == 0) {
        break;
      }
      szText.append(aBuffer, static_cast<std::size_t>(iRead));
      if (static_cast<long long>(szText.size()) > kMaxNamesFileBytes) {
        eOutcome = names_outcome_t::kTooLarge;
        break;
      }
    }
  }
  close(iFd);
  if (eOutcome == names_outcome_t::kRead) {
    ReadNamesText(szText, tNames);
  }
  return eOutcome;
}
