// The collector's events file: where it records each finding that traffic may have gone
// uncounted, read so that a report marks the days that may lack traffic.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "accounting/records.h"

// The events file's name in the snapshot folder, and the most of it that is read.
constexpr const char* kLossEventsName = "netreckon.events";
constexpr long long kMaxLossEventsBytes = 4LL * 1024 * 1024;

// One finding: traffic may have gone uncounted after the last good snapshot, up to the
// snapshot that found it. Stamps are the snapshots' 14 digits, YYYYMMDDHHMMSS.
struct loss_event_t {
  std::string szFound;
  std::string szLastGood;
  std::string szWhat;  // printable ASCII only
};

// What became of the events file.
enum class loss_events_outcome_t {
  kAbsent,     // no such file: nothing was recorded
  kRead,       // read whole
  kNotAFile,   // a directory, FIFO, socket or device: never opened
  kSymlink,    // a symbolic link: never followed
  kTooLarge,   // over kMaxLossEventsBytes
  kUnreadable  // could not be opened or read (iError says why)
};

struct loss_events_t {
  loss_events_outcome_t eOutcome = loss_events_outcome_t::kAbsent;
  int iError = 0;
  std::vector<loss_event_t> tEvents;  // of the report's prefixes, in the file's order
  int iMalformed = 0;                 // lines that are no event
};

/// Adds the events of the two prefixes (ASCII case ignored) in an events file's text: lines
/// "FOUND FAMILY IN_PREFIX OUT_PREFIX LAST_GOOD WHAT", blank-separated, WHAT to the line's end.
/// Lines of other prefixes are passed over; lines that are no event are counted.
void ParseLossEvents(std::string_view szText, std::string_view szInPrefix,
                     std::string_view szOutPrefix, loss_events_t& tEvents);

/// Reads the events file of a snapshot folder: a regular file, opened without following a
/// link, of at most kMaxLossEventsBytes. Says what became of it; writes no message.
loss_events_t ReadLossEvents(const char* szLogPath, std::string_view szInPrefix,
                             std::string_view szOutPrefix);
