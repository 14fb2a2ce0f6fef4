// The iptables backend's texts: a chain's listing as a snapshot keeps it, the restore input of
// a plan and the number of the mark rule in a chain.
#pragma once

#include <string>
#include <string_view>

/// A chain's snapshot from "iptables -L CHAIN -v -n -x": the title and column titles only with
/// bHeader, no row of the mark rule (its comment "/* MARK */"), and as 0 the rows of rules that
/// start from 0. szZero holds "all CHAIN" (every row of the chain) or the plan's new rules
/// ("-A CHAIN ..."), whose address (fourth word, without /32 or /128) and comment (eighth word) a
/// row must both show. Never fails.
std::string WriteChainListing(std::string_view szListing, std::string_view szChain,
                              std::string_view szMark, bool bHeader, std::string_view szZero);

/// The "R TABLE LINE" lines of a plan as iptables-restore input: a section per table, in the
/// order the tables first appear, its lines in plan order.
std::string WriteRestoreInput(std::string_view szPlan);

/// The rule number (from 1) of the first of the chain's rules whose comment is MARK as a whole
/// word, or "" when none; lines as "iptables -S CHAIN" prints them.
std::string FindMarkNumber(std::string_view szLines, std::string_view szChain,
                           std::string_view szMark);

/// A listing row with its two counters written as 0 in their columns; any other line as it is.
std::string ZeroRow(std::string_view szLine);
