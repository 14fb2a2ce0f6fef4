// The kit's counters in the text exposition format that a monitoring system scrapes: per host
// and direction the bytes and packets of the snapshot just taken, the rows the kit could not
// give a host, when the snapshot was taken and whether collection lost nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The series one snapshot holds at the most, per direction: no listing can make the file grow
// without bound. The report reads as many hosts.
constexpr std::size_t kMaxMetricSeries = 100000;

// The counters of one host (or one "not counted" row) in one direction, its rows summed.
struct metric_series_t {
  std::string szKey;    // the address or prefix, as the listing prints it
  std::string szName;   // the rule's comment, when it is a name to show
  std::string szCause;  // for a row the kit could not give a host: what its comment says
  int32_t iDirection = 0;
  unsigned long long ullBytes = 0;
  unsigned long long ullPackets = 0;
};

// What the listings of one snapshot hold.
struct metrics_t {
  std::vector<metric_series_t> tSeries;  // in the order first seen, incoming first
  int iRefusedRows = 0;    // rows whose counters are not whole numbers, or past the bound
  bool bOverflow = false;  // a host's rows summed past 2^64 - 1
};

/// Adds the rows of one chain's listing (the incoming chain matches hosts as destination, the
/// outgoing as source) to `tMetrics`; rows of one key are one series. Rows that are not exact
/// counts (-x) are refused and counted.
void ReadMetricListing(std::string_view szText, int32_t iDirection, metrics_t& tMetrics);

/// The exposition text: HELP and TYPE lines, every series, the snapshot's time in seconds since
/// the epoch and the health flag.
std::string FormatMetrics(const metrics_t& tMetrics, long long llStampSeconds, bool bHealthy);

/// A label value as the exposition format writes it: backslash, double quote and line feed
/// escaped.
std::string EscapeLabelValue(std::string_view szValue);
