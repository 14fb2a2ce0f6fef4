// The kit's hosts: every HOSTS or SUBNETS entry checked and written as the firewall prints it,
// a host listed twice refused, a subnet that holds another entry warned about.
#pragma once

#include <string>
#include <string_view>

// What the kit gets for its entries.
struct host_plan_t {
  std::string szLines;     // "4 ADDRESS/PREFIX [NAME]" or "6 ...", one per good entry
  std::string szMessages;  // one line per refused entry, then the warnings
  bool bRefused = false;   // an entry was refused: nothing may change
};

/// Reads entries, one a line (blank lines passed over).
host_plan_t PlanHosts(std::string_view szEntries);
