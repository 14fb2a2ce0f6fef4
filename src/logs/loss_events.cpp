// Reading the collector's events file: the windows in which traffic may have gone uncounted.
#include "logs/loss_events.h"

#include <cerrno>
#include <string>

#include "files/bounded_file.h"
#include "logs/logs.h"

namespace {

// A snapshot's stamp: 14 digits whose first eight are a real date, whose time is one.
bool IsStamp(std::string_view szStamp) {
  if (szStamp.size() != 14 || szStamp.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  date_number_t uiDate = 0;
  const auto Two = [&](std::size_t iAt) {
    return (szStamp[iAt] - '0') * 10 + szStamp[iAt + 1] - '0';
  };
  return ReadCalendarDate(szStamp.substr(0, 8), uiDate) && Two(8) < 24 && Two(10) < 60 &&
         Two(12) < 60;
}

// The next blank-separated word of a line, taken off its front.
std::string_view TakeWord(std::string_view& szLine) {
  const std::size_t iStart = szLine.find_first_not_of(' ');
  if (iStart == std::string_view::npos) {
    szLine = {};
    return {};
  }
  szLine.remove_prefix(iStart);
  const std::size_t iEnd = szLine.find(' ');
  const std::string_view szWord = szLine.substr(0, iEnd);
  szLine.remove_prefix(iEnd == std::string_view::npos ? szLine.size() : iEnd + 1);
  return szWord;
}

bool IsPrintable(std::string_view szText) {
  for (const char cChar : szText) {
    if (cChar < 0x20 || cChar > 0x7e) {
      return false;
    }
  }
  return true;
}

// One line: false when it is no event; an event of other prefixes is passed over.
bool ParseLossLine(std::string_view szLine, std::string_view szInPrefix,
                   std::string_view szOutPrefix, loss_events_t& tEvents) {
  const std::string_view szFound = TakeWord(szLine);
  const std::string_view szFamily = TakeWord(szLine);
  const std::string_view szIn = TakeWord(szLine);
  const std::string_view szOut = TakeWord(szLine);
  const std::string_view szLastGood = TakeWord(szLine);
  const std::size_t iWhat = szLine.find_first_not_of(' ');
  const std::string_view szWhat =
      iWhat == std::string_view::npos ? std::string_view() : szLine.substr(iWhat);
  // A window ends where it was found: one that ends before it starts is no window.
  if (!IsStamp(szFound) || !IsStamp(szLastGood) || szLastGood > szFound || szFamily.empty() ||
      szOut.empty() || szWhat.empty() || !IsPrintable(szWhat)) {
    return false;
  }
  if (EqualsIgnoreCase(szIn, szInPrefix) && EqualsIgnoreCase(szOut, szOutPrefix)) {
    tEvents.tEvents.push_back({std::string(szFound), std::string(szLastGood), std::string(szWhat)});
  }
  return true;
}

}  // namespace

void ParseLossEvents(std::string_view szText, std::string_view szInPrefix,
                     std::string_view szOutPrefix, loss_events_t& tEvents) {
  while (!szText.empty()) {
    const std::size_t iEnd = szText.find('\n');
    std::string_view szLine = szText.substr(0, iEnd);
    szText.remove_prefix(iEnd == std::string_view::npos ? szText.size() : iEnd + 1);
    if (!szLine.empty() && szLine.back() == '\r') {
      szLine.remove_suffix(1);
    }
    if (szLine.find_first_not_of(' ') == std::string_view::npos) {
      continue;
    }
    if (!ParseLossLine(szLine, szInPrefix, szOutPrefix, tEvents)) {
      ++tEvents.iMalformed;
    }
  }
}

loss_events_t ReadLossEvents(const char* szLogPath, std::string_view szInPrefix,
                             std::string_view szOutPrefix) {
  loss_events_t tEvents;
  char szPath[kTextBuf];
  if (!JoinLogPath(szPath, szLogPath, kLossEventsName)) {
    tEvents.eOutcome = loss_events_outcome_t::kUnreadable;
    tEvents.iError = ENAMETOOLONG;
    return tEvents;
  }
  std::string szText;
  int iError = 0;
  switch (ReadBoundedFile(szPath, kMaxLossEventsBytes, true, szText, iError)) {
    case file_read_t::kRead:
      tEvents.eOutcome = loss_events_outcome_t::kRead;
      ParseLossEvents(szText, szInPrefix, szOutPrefix, tEvents);
      break;
    case file_read_t::kUnreadable:
      // No events file: nothing was recorded.
      if (iError != ENOENT) {
        tEvents.eOutcome = loss_events_outcome_t::kUnreadable;
        tEvents.iError = iError;
      }
      break;
    case file_read_t::kNotAFile: tEvents.eOutcome = loss_events_outcome_t::kNotAFile; break;
    case file_read_t::kSymlink: tEvents.eOutcome = loss_events_outcome_t::kSymlink; break;
    case file_read_t::kTooLarge: tEvents.eOutcome = loss_events_outcome_t::kTooLarge; break;
  }
  return tEvents;
}
