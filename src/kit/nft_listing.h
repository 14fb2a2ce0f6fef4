// The nftables backend's snapshots: "nft list table inet netreckon" converted to one chain's
// snapshot in the listing format of "iptables -L CHAIN -v -n -x", which netreckon reads
// unchanged. Counters stay text: nft prints them to 2^64 - 1.
#pragma once

#include <string>
#include <string_view>

// What to write of a listing.
struct nft_listing_request_t {
  std::string_view szChain;     // the chain to write
  bool bOutgoing = false;       // hosts as source (else as destination)
  std::string_view szMark;      // the mark rule's comment: never a row
  std::string_view szPrevious;  // the chain's previous snapshot, empty for none
  std::string_view szStarts;    // "CHAIN KEY" lines: rows that start from 0 and read 0
};

/// The chain's snapshot: a title counting the jumps to the chain, the column titles, then a
/// row per host rule (with its comment), per not-counted rule (keyed "!CAUSE:SUBNET"), per
/// element of the chain's sets (an IPv6 set filled by /64 keys gives ADDRESS/64), and per host
/// the previous snapshot read above 0 that is gone now (as 0). The outgoing chain's rows take
/// in those of the chain that checks what comes in, CHAIN_rpf. Never fails.
std::string ConvertNftListing(std::string_view szListing, const nft_listing_request_t& tRequest);
