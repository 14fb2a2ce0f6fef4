// The kit's planner for one address family on iptables: compares the accounting setup that is
// there with the one the config asks for and writes what brings the first to the second, as
// iptables-restore input that keeps every counter of a rule that stays.
#pragma once

#include <string>
#include <string_view>

// What the planner is told besides the lines.
struct iptables_plan_settings_t {
  std::string_view szInChain;
  std::string_view szOutChain;
  std::string_view szMark;   // the comment of the reset mark rule
  bool bTrustMark = true;    // false where the family's command sets no counters: marks say nothing
  std::string_view szKept;   // the byte count the kit gave the marks last; empty: 1
  std::string_view szFresh;  // the byte count a new mark rule starts with
};

/// Plans from the input lines, one each:
///   "W TABLE LINE"  a wanted line of TABLE as "iptables -S" prints it ("-N CHAIN", "-A CHAIN
///                   RULE" for the two chains, "-A HOOK MATCH -j CHAIN" for the jumps, in the
///                   order they must open the hook chain)
///   "A TABLE LINE"  a line of "iptables -t TABLE -v -S" as it is now (any chain); a line
///                   break in a quoted string goes on in the next line, after "A TABLE ".
/// Returns the plan, one line each:
///   "R TABLE LINE"  a line of TABLE's restore input ("*TABLE" and "COMMIT" are the caller's)
///   "N CHAIN RULE"  a host rule that starts from 0 (new or replaced)
///   "F TEXT"        a finding, for the one line that says what was out of order
///   "X CHAIN"       the counters of CHAIN's rules were reset since its mark was set
///   "Z CHAIN"       and they hold values the kit did not see grow (a restore of saved counters)
///   "G" / "E"       the chains hold no rule but marks (or are not there) / hold rows.
/// Never fails: a line it does not know is passed over.
std::string PlanIptables(std::string_view szInput, const iptables_plan_settings_t& tSettings);
