// The most rows one snapshot of the nftables backend can hold in a direction, so that the kit
// never sets up more hosts than a report reads (the host table's bound).
#pragma once

#include <string_view>

// What a setup can hold, against the report's bound.
struct set_bound_t {
  long long llRows = 0;            // rows of one direction at the most (the outgoing one)
  long long llLargestSetSize = 0;  // the largest SET_SIZE within the bound, 0 when none is
  bool bRefused = false;           // an entry was no subnet line, or SET_SIZE no number
};

/// The rows of the outgoing listing (which holds the most: its sets, one row per listed host
/// and three not-counted rows per subnet) for subnet lines as "netreckon-kit hosts" writes
/// them ("4 ADDRESS/PREFIX" or "6 ..."), iListed listed hosts, SET_SIZE llSetSize and IPv6
/// hosts per /64 (bPer64). A set never holds more elements than its subnet has addresses (or
/// /64s). bRefused for a line that is no subnet or a set size outside 1 to 16777216.
set_bound_t BoundSetRows(std::string_view szSubnetLines, long long llListed, long long llSetSize,
                         bool bPer64);
