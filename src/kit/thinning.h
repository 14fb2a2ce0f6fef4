// The kit's thinning: of the snapshots of one prefix dated before the cut-off, in time order,
// those a report does not need for the same figures.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One snapshot as thinning sees it: its rows' rules and byte counts, views into its text.
struct thin_snapshot_t {
  std::string szName;
  std::unique_ptr<std::string> pText;    // held apart: a snapshot moves, its rows' views stay
  std::string szDay;                     // YYYYMMDD, from the name
  std::vector<std::string_view> tRules;  // each row without its counters
  std::vector<std::string_view> tBytes;
  bool bOdd = false;   // not a plain listing: it stays, and so do its neighbours
  bool bSame = false;  // its rules are those of the one before, in the same order
  bool bRepeats = false;
};

// Where thinning has got to: the last snapshot kept, the one to decide and whether the one
// before it was odd. Two snapshots' rows are held at a time.
struct thinning_t {
  int iSnapshots = 0;
  bool bBeforeOdd = false;
  thin_snapshot_t tKept;
  thin_snapshot_t tCurrent;
  std::string szDeletable;  // the names of those to delete, one a line
};

/// Adds the next snapshot (its file name ends in the 14-digit stamp; its text is read with
/// the report's own listing reader) and decides the one before it. A snapshot stays when it is
/// the last of its day, when its rows name other rules (or in another order) than the one
/// before or after it, when any reading in it went down from the last one kept or goes down
/// to the next, or when it is not a plain listing (a title of "(0 references)", a line that is
/// no counter row, a row the report refuses, a rule listed twice, no rows). An empty text is no
/// snapshot. The last one added is never decided: it stays.
void AddThinSnapshot(thinning_t& tThinning, std::string szName, std::string szText);
