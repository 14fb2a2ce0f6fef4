// The nftables backend's plan for a changed config: the "nft -f" commands that change the table
// the kit loaded last into the one the config asks for now, in place, every rule and set that
// stays kept with its counters and elements.
#pragma once

#include <string>
#include <string_view>

// A plan, or the finding that the table must be replaced.
struct nft_plan_t {
  // A line each: "C COMMAND" (a command of the transaction, in order) and "Z CHAIN KEY" (a
  // counting rule that starts from 0, by its chain and its row's key: an address, or
  // "!CAUSE:SUBNET" for a row of what no host took).
  std::string szLines;
  bool bReplace = false;  // the chains were renamed, or the rules stand otherwise: no lines
};

/// The plan from szLoaded (the "nft -f" text loaded last) to szWanted (the text wanted now),
/// with szListing ("nft -a list table", whose rules stand in the order of szLoaded) for the
/// rules' handles, for the table named szTable.
nft_plan_t PlanNftChange(std::string_view szTable, std::string_view szLoaded,
                         std::string_view szWanted, std::string_view szListing);
