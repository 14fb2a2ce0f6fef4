// The rows a setup of the nftables backend can hold, read with the shared address code.
#include "kit/set_bound.h"

#include <algorithm>
#include <vector>

#include "accounting/records.h"
#include "addresses/address.h"

namespace {

constexpr long long kMaxSetSize = 16777216;
// Per subnet in the outgoing listing: a full set, too many addresses, spoofed sources.
constexpr long long kNotCountedRows = 3;

// The elements a subnet's set can hold at the most: its addresses, or its /64s.
long long SubnetCapacity(const address_t& tSubnet, bool bPer64) {
  int iFreeBits = (tSubnet.iFamily == 0 ? 32 : 128) - tSubnet.iPrefix;
  if (tSubnet.iFamily == 1 && bPer64) {
    iFreeBits = std::max(0, 64 - tSubnet.iPrefix);
  }
  // Past 2^24 the set's size bounds it anyway.
  return iFreeBits > 24 ? kMaxSetSize + 1 : 1LL << iFreeBits;
}

long long CountRows(const std::vector<long long>& tCapacities, long long llListed,
                    long long llSetSize) {
  long long llRows = llListed;
  for (const long long llCapacity : tCapacities) {
    llRows += std::min(llSetSize, llCapacity) + kNotCountedRows;
  }
  return llRows;
}

}  // namespace

set_bound_t BoundSetRows(std::string_view szSubnetLines, long long llListed, long long llSetSize,
                         bool bPer64) {
  set_bound_t tBound;
  if (llSetSize < 1 || llSetSize > kMaxSetSize || llListed < 0) {
    tBound.bRefused = true;
    return tBound;
  }
  std::vector<long long> tCapacities;
  while (!szSubnetLines.empty()) {
    const std::size_t iBreak = std::min(szSubnetLines.find('\n'), szSubnetLines.size());
    const std::string_view szLine = szSubnetLines.substr(0, iBreak);
    szSubnetLines.remove_prefix(iBreak < szSubnetLines.size() ? iBreak + 1 : iBreak);
    if (szLine.empty()) {
      continue;
    }
    address_t tSubnet;
    const bool bShaped = szLine.size() > 2 && szLine[1] == ' ';
    const int iFamily = bShaped ? szLine[0] - '4' : -1;
    // The subnet's name, if any, follows a blank.
    const std::string_view szSubnet =
        bShaped ? szLine.substr(2, std::min(szLine.find(' ', 2), szLine.size()) - 2) : "";
    if ((iFamily != 0 && iFamily != 2) || !ReadAddress(szSubnet, tSubnet) ||
        tSubnet.iFamily != iFamily / 2) {
      tBound.bRefused = true;
      return tBound;
    }
    tCapacities.push_back(SubnetCapacity(tSubnet, bPer64));
  }
  tBound.llRows = CountRows(tCapacities, llListed, llSetSize);
  const auto llBound = static_cast<long long>(kMaxHosts);
  // The rows grow with the set size: the largest within the bound, by halving.
  long long llLow = 0;
  long long llHigh = kMaxSetSize;
  while (llLow < llHigh) {
    const long long llMiddle = llLow + (llHigh - llLow + 1) / 2;
    if (CountRows(tCapacities, llListed, llMiddle) <= llBound) {
      llLow = llMiddle;
    } else {
      llHigh = llMiddle - 1;
    }
  }
  tBound.llLargestSetSize = llLow;
  return tBound;
}
