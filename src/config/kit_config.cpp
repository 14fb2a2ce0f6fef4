// Reading the collector kit's config file as data, line by line, as the kit's shell does.
#include "config/kit_config.h"

#include <cstring>

#include "files/bounded_file.h"

namespace {

constexpr std::string_view kBlanks = " \t\v\f\r\n";

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

// One line; false with the reason for a malformed one.
bool ReadConfigLine(std::string_view szLine, kit_config_t& tConfig, std::string& szReason) {
  if (!szLine.empty() && szLine.back() == '\r') {
    szLine.remove_suffix(1);
  }
  szLine = TrimLeft(szLine);
  if (szLine.empty() || szLine[0] == '#') {
    return true;
  }
  if (szLine.starts_with("export") && szLine.size() > 6 &&
      kBlanks.find(szLine[6]) != std::string_view::npos) {
    szLine = TrimLeft(szLine.substr(6));
  }
  const std::size_t iEquals = szLine.find('=');
  if (iEquals == std::string_view::npos) {
    szReason = "not a KEY=value line";
    return false;
  }
  const std::string_view szKey = TrimRight(szLine.substr(0, iEquals));
  if (!IsName(szKey)) {
    szReason = "not a variable name";
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
      szReason = "a quote inside a value";
      return false;
    }
  }
  szRest = TrimLeft(szRest);
  if (!szRest.empty() && szRest[0] != '#') {
    szReason = "text after the value";
    return false;
  }
  if (szKey == "LOG_DIR") {
    tConfig.szLogDir = szValue;
  } else if (szKey == "IN_PREFIX") {
    tConfig.szInPrefix = szValue;
  } else if (szKey == "OUT_PREFIX") {
    tConfig.szOutPrefix = szValue;
  }
  return true;
}

}  // namespace

bool ReadKitConfigText(std::string_view szText, kit_config_t& tConfig, std::string& szError) {
  for (int iLine = 1; !szText.empty(); ++iLine) {
    const std::size_t iBreak = std::min(szText.find('\n'), szText.size());
    std::string szReason;
    if (!ReadConfigLine(szText.substr(0, iBreak), tConfig, szReason)) {
      szError = "line " + std::to_string(iLine) + ": " + szReason;
      return false;
    }
    szText.remove_prefix(iBreak < szText.size() ? iBreak + 1 : iBreak);
  }
  return true;
}

bool ReadKitConfig(const char* szPath, kit_config_t& tConfig, std::string& szError) {
  std::string szText;
  int iError = 0;
  switch (ReadBoundedFile(szPath, kMaxKitConfigBytes, false, szText, iError)) {
    case file_read_t::kRead: return ReadKitConfigText(szText, tConfig, szError);
    case file_read_t::kUnreadable: szError = std::strerror(iError); return false;
    case file_read_t::kNotAFile:
    case file_read_t::kSymlink:
    case file_read_t::kTooLarge: szError = "not a regular file of at most 1 MiB"; return false;
  }
  return false;
}
