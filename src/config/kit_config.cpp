// Reading the collector kit's config file as data, line by line: the one reader of its grammar,
// for the kit (through netreckon-kit) and for the report.
#include "config/kit_config.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "files/bounded_file.h"

namespace {

// Blanks as a shell splits words: spaces and tabs, nothing else.
constexpr std::string_view kBlanks = " \t";

// The keys the kit reads.
constexpr std::array<std::string_view, 23> kKitKeys = {
    "IN_CHAIN", "OUT_CHAIN",    "HOSTS",     "LOG_DIR",     "IN_PREFIX",        "OUT_PREFIX",
    "IPTABLES", "IP6TABLES",    "KEEP_DAYS", "KEEP_DAILY",  "IPTABLES_RESTORE", "IP6TABLES_RESTORE",
    "COUNT",    "WAN_IF",       "BACKEND",   "NFT",         "SUBNETS",          "IPV6_HOSTS",
    "SET_SIZE", "TEXTFILE_DIR", "LOCK_DIR",  "SET_TIMEOUT", "MAC_LIMIT"};

std::string_view TrimLeft(std::string_view szText) {
  const std::size_t iFirst = szText.find_first_not_of(kBlanks);
  return iFirst == std::string_view::npos ? std::string_view() : szText.substr(iFirst);
}

std::string_view TrimRight(std::string_view szText) {
  const std::size_t iLast = szText.find_last_not_of(kBlanks);
  return iLast == std::string_view::npos ? std::string_view() : szText.substr(0, iLast + 1);
}

bool IsName(std::string_view szKey) {
  if (szKey.empty() || (szKey[0] >= '0' && szKey[0] <= '9')) {
    return false;
  }
  for (const char cChar : szKey) {
    const bool bLetter = (cChar >= 'A' && cChar <= 'Z') || (cChar >= 'a' && cChar <= 'z');
    if (!bLetter && !(cChar >= '0' && cChar <= '9') && cChar != '_') {
      return false;
    }
  }
  return true;
}

// A control character other than the tab: a value holding one is no path, name or number, and
// the shell and a terminal would each read it their own way.
bool HoldsControl(std::string_view szText) {
  return std::any_of(szText.begin(), szText.end(), [](char cChar) {
    const auto uiChar = static_cast<unsigned char>(cChar);
    return (uiChar < 0x20 && cChar != '\t') || uiChar == 0x7f;
  });
}

// One line; false with the reason for a malformed one.
bool ReadConfigLine(std::string_view szLine, std::vector<kit_config_entry_t>& tEntries, int iLine,
                    std::string& szReason) {
  if (!szLine.empty() && szLine.back() == '\r') {
    szLine.remove_suffix(1);
  }
  szLine = TrimLeft(szLine);
  if (szLine.empty() || szLine[0] == '#') {
    return true;
  }
  if (HoldsControl(szLine)) {
    szReason = "a control character in the line";
    return false;
  }
  if (szLine.starts_with("export") && szLine.size() > 6 &&
      kBlanks.find(szLine[6]) != std::string_view::npos) {
    szLine = TrimLeft(szLine.substr(6));
  }
  const std::size_t iEquals = szLine.find('=');
  if (iEquals == std::string_view::npos) {
    szReason = "not a KEY=value line: " + std::string(szLine);
    return false;
  }
  const std::string_view szKey = TrimRight(szLine.substr(0, iEquals));
  if (!IsName(szKey)) {
    szReason = "not a variable name: " + std::string(szKey);
    return false;
  }
  std::string_view szRest = TrimLeft(szLine.substr(iEquals + 1));
  std::string_view szValue;
  if (!szRest.empty() && (szRest[0] == '"' || szRest[0] == '\'')) {
    const std::size_t iClose = szRest.find(szRest[0], 1);
    if (iClose == std::string_view::npos) {
      szReason = "unterminated quote";
      return false;
    }
    szValue = szRest.substr(1, iClose - 1);
    szRest = szRest.substr(iClose + 1);
  } else {
    szValue = szRest.substr(0, std::min(szRest.find_first_of(kBlanks), szRest.size()));
    szRest = szRest.substr(szValue.size());
    if (szValue.find_first_of("\"'") != std::string_view::npos) {
      szReason = "a quote inside a value: " + std::string(szValue);
      return false;
    }
  }
  szRest = TrimLeft(szRest);
  if (!szRest.empty() && szRest[0] != '#') {
    szReason = "text after the value (quote a value with blanks): " + std::string(szRest);
    return false;
  }
  if (szValue.find('\t') != std::string_view::npos) {
    szReason = "a tab inside a value";
    return false;
  }
  tEntries.push_back({iLine, std::string(szKey), std::string(szValue)});
  return true;
}

}  // namespace

bool IsKitConfigKey(std::string_view szKey) {
  return std::find(kKitKeys.begin(), kKitKeys.end(), szKey) != kKitKeys.end();
}

bool ReadKitConfigEntries(std::string_view szText, std::vector<kit_config_entry_t>& tEntries,
                          int& iBadLine, std::string& szReason) {
  for (int iLine = 1; !szText.empty(); ++iLine) {
    const std::size_t iBreak = std::min(szText.find('\n'), szText.size());
    if (!ReadConfigLine(szText.substr(0, iBreak), tEntries, iLine, szReason)) {
      iBadLine = iLine;
      return false;
    }
    szText.remove_prefix(iBreak < szText.size() ? iBreak + 1 : iBreak);
  }
  return true;
}

bool ReadKitConfigText(std::string_view szText, kit_config_t& tConfig, std::string& szError) {
  std::vector<kit_config_entry_t> tEntries;
  int iBadLine = 0;
  std::string szReason;
  if (!ReadKitConfigEntries(szText, tEntries, iBadLine, szReason)) {
    szError = "line " + std::to_string(iBadLine) + ": " + szReason;
    return false;
  }
  for (const kit_config_entry_t& tEntry : tEntries) {
    if (tEntry.szKey == "LOG_DIR") {
      tConfig.szLogDir = tEntry.szValue;
    } else if (tEntry.szKey == "IN_PREFIX") {
      tConfig.szInPrefix = tEntry.szValue;
    } else if (tEntry.szKey == "OUT_PREFIX") {
      tConfig.szOutPrefix = tEntry.szValue;
    }
  }
  return true;
}

bool ReadKitConfigFile(const char* szPath, std::string& szText, std::string& szError) {
  int iError = 0;
  switch (ReadBoundedFile(szPath, kMaxKitConfigBytes, false, szText, iError)) {
    case file_read_t::kRead: return true;
    case file_read_t::kUnreadable: szError = std::strerror(iError); return false;
    case file_read_t::kNotAFile:
    case file_read_t::kSymlink:
    case file_read_t::kTooLarge: szError = "not a regular file of at most 1 MiB"; return false;
  }
  return false;
}

bool ReadKitConfig(const char* szPath, kit_config_t& tConfig, std::string& szError) {
  std::string szText;
  return ReadKitConfigFile(szPath, szText, szError) && ReadKitConfigText(szText, tConfig, szError);
}
