// The kit's hosts, read with the shared address code.
#include "kit/hosts.h"

#include <unordered_map>
#include <vector>

#include "addresses/host_entry.h"

host_plan_t PlanHosts(std::string_view szEntries) {
  host_plan_t tPlan;
  std::vector<host_entry_t> tEntries;
  // A host listed twice, named or not, would be counted twice.
  std::unordered_map<std::string, std::string> tFirstOf;
  while (!szEntries.empty()) {
    const std::size_t iBreak = std::min(szEntries.find('\n'), szEntries.size());
    const std::string_view szLine = szEntries.substr(0, iBreak);
    szEntries.remove_prefix(iBreak < szEntries.size() ? iBreak + 1 : iBreak);
    if (szLine.empty()) {
      continue;
    }
    host_entry_t tEntry;
    std::string szReason;
    if (ReadHostEntry(szLine, tEntry, szReason)) {
      const auto [pFirst, bNew] = tFirstOf.emplace(tEntry.szEntry, std::string(szLine));
      if (!bNew) {
        szReason = "the same host as " + pFirst->second;
      }
    }
    if (!szReason.empty()) {
      tPlan.szMessages += "invalid host address " + std::string(szLine) + ": " + szReason + "\n";
      tPlan.bRefused = true;
      continue;
    }
    tPlan.szLines += (tEntry.tAddress.iFamily == 0 ? "4 " : "6 ") + tEntry.szEntry +
                     (tEntry.szName.empty() ? "" : " " + tEntry.szName) + "\n";
    tEntries.push_back(std::move(tEntry));
  }
  // Only a subnet can hold another entry.
  for (const host_entry_t& tOuter : tEntries) {
    const int iWidth = tOuter.tAddress.iFamily == 0 ? 32 : 128;
    if (tOuter.tAddress.iPrefix >= iWidth) {
      continue;
    }
    for (const host_entry_t& tInner : tEntries) {
      if (&tInner != &tOuter && IsInsideHostEntry(tOuter, tInner)) {
        tPlan.szMessages += "warning: " + tOuter.szEntry + " holds " + tInner.szEntry +
                            ": the all-hosts totals count its traffic twice\n";
      }
    }
  }
  return tPlan;
}
