// The host table's index: a key, ASCII case folded, to the host's record in constant time.
#include <cstring>

#include "accounting/records.h"

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHigh = 0x8080808080808080ULL;
constexpr uint64_t kLow = 0x7F7F7F7F7F7F7F7FULL;

// The word with its letters A-Z made lower case, eight bytes at once: 0x80 marks each byte
// between '@' and '[' exclusive, and a quarter of it is the 0x20 that folds the letter.
uint64_t FoldWord(uint64_t uiWord) {
  const uint64_t uiLow = uiWord & kLow;
  const uint64_t uiUpper =
      (kOnes * (127 + '[') - uiLow) & ~uiWord & (uiLow + kOnes * (127 - '@')) & kHigh;
  return uiWord | (uiUpper >> 2);
}

// The hash of a key with its letters folded, so that keys that differ only in case land in
// the same bucket; eight bytes at a time.
uint32_t HashKey(std::string_view szKey) {
  uint64_t uiHash = 0x9E3779B97F4A7C15ULL ^ szKey.size();
  for (std::size_t iAt = 0; iAt < szKey.size(); iAt += 8) {
    uint64_t uiWord = 0;
    std::memcpy(&uiWord, szKey.data() + iAt, szKey.size() - iAt < 8 ? szKey.size() - iAt : 8);
    uiHash = (uiHash ^ FoldWord(uiWord)) * 0xFF51AFD7ED558CCDULL;
    uiHash ^= uiHash >> 32;
  }
  return static_cast<uint32_t>(uiHash);
}

// A listing writes a host the same way every time: the plain comparison settles nearly every
// probe, the folded one the rest.
bool IsSameKey(const data_t& tHost, std::string_view szKey) {
  const std::string_view szHost = GetHostKey(tHost);
  return szHost.size() == szKey.size() &&
         (std::memcmp(szHost.data(), szKey.data(), szKey.size()) == 0 ||
          EqualsIgnoreCase(szHost, szKey));
}

// The bucket that holds the key, or the free bucket where it would go.
std::size_t FindBucket(const host_table_t& tTable, std::string_view szKey, uint32_t uiHash) {
  const std::size_t iMask = tTable.tIndex.size() - 1;
  std::size_t iBucket = uiHash & iMask;
  for (;;) {
    const host_bucket_t& tBucket = tTable.tIndex[iBucket];
    if (tBucket.iHost == 0 ||
        (tBucket.uiHash == uiHash &&
         IsSameKey(tTable.tHosts[static_cast<std::size_t>(tBucket.iHost - 1)], szKey))) {
      return iBucket;
    }
    iBucket = (iBucket + 1) & iMask;
  }
}

// Keeps the index at most half full, so that a probe ends after a step or two.
void GrowIndex(host_table_t& tTable) {
  const std::size_t iBuckets = tTable.tIndex.empty() ? 64 : tTable.tIndex.size() * 2;
  tTable.tIndex.assign(iBuckets, host_bucket_t{0, 0});
  const std::size_t iMask = iBuckets - 1;
  for (std::size_t iHost = 0; iHost < tTable.tHosts.size(); ++iHost) {
    const uint32_t uiHash = HashKey(GetHostKey(tTable.tHosts[iHost]));
    std::size_t iBucket = uiHash & iMask;
    while (tTable.tIndex[iBucket].iHost != 0) {
      iBucket = (iBucket + 1) & iMask;
    }
    tTable.tIndex[iBucket] = {static_cast<int32_t>(iHost + 1), uiHash};
  }
}

}  // namespace

int32_t FindHost(const host_table_t& tTable, std::string_view szKey) {
  if (tTable.tIndex.empty()) {
    return -1;
  }
  return tTable.tIndex[FindBucket(tTable, szKey, HashKey(szKey))].iHost - 1;
}

int32_t FindOrAddHost(host_table_t& tTable, std::string_view szKey) {
  if ((tTable.tHosts.size() + 1) * 2 > tTable.tIndex.size()) {
    GrowIndex(tTable);
  }
  const uint32_t uiHash = HashKey(szKey);
  host_bucket_t& tBucket = tTable.tIndex[FindBucket(tTable, szKey, uiHash)];
  if (tBucket.iHost != 0) {
    return tBucket.iHost - 1;
  }
  if (tTable.tHosts.size() >= kMaxHosts) {
    return -1;
  }
  data_t& tHost = tTable.tHosts.emplace_back();
  tHost.iIpLength = static_cast<uint8_t>(CopyText(tHost.ip, sizeof tHost.ip, szKey));
  tBucket = {static_cast<int32_t>(tTable.tHosts.size()), uiHash};
  return static_cast<int32_t>(tTable.tHosts.size() - 1);
}
