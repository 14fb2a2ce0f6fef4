// Reading host names from hosts files and DHCP lease files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "addresses/address.h"
#include "names/names.h"

void ReadNamesText(std::string_view szText, names_t& tNames) {
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
