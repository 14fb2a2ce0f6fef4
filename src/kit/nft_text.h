// The nftables backend's small readings of nft's listings and of its own snapshots: the
// table's structure to compare, whether a full set turned traffic away, and the marks' handles.
#pragma once

#include <string>
#include <string_view>

/// A listing as compared from one run to the next: each line without its leading blanks, the
/// first "counter packets N bytes N" as "counter", and the sets' elements ("elements = {" to
/// the line that ends in "}") left out.
std::string NftStructure(std::string_view szListing);

/// Whether a "not counted: set full" row of a chain's new snapshot counts more bytes than the
/// same subnet's row in its previous snapshot (0 when it had none). Counters are compared as
/// text: they run to 2^64 - 1.
bool SetFilled(std::string_view szPrevious, std::string_view szNew);

// What to renew of the marks.
struct nft_marks_request_t {
  std::string_view szTable;
  std::string_view szInChain;
  std::string_view szOutChain;
  std::string_view szMark;
  std::string_view szFresh;  // the byte count the marks get
};

/// The "replace rule" commands that give each mark rule of the two chains, found by its
/// comment and handle in "nft -a list table", the byte count szFresh.
std::string ReplaceMarks(std::string_view szListing, const nft_marks_request_t& tRequest);

/// A snapshot with every row's counters written as 0; the two title lines as they are.
std::string ZeroRows(std::string_view szSnapshot);
