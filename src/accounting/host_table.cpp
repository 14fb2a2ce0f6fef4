// The host table's index: a key, ASCII case folded, to the host's record in constant time.
#include <cstring>

#include "accounting/records.h"

namespace {

constexpr unsigned char FoldAsciiCase(unsigned char cChar) {
  return (cChar >= 'A' && cChar <= 'Z') ? static_cast<unsigned char>(cChar - 'A' + 'a') : cChar;
}

// FNV-1a over the folded key: keys that differ only in case land in the same bucket.
uint32_t HashKey(std::string_view szKey) {
  uint32_t uiHash = 2166136261u;
  for (const char cChar : szKey) {
    uiHash ^= FoldAsciiCase(static_cast<unsigned char>(cChar));
    uiHash *= 16777619u;
  }
  return uiHash;
}

std::string_view GetHostKey(const data_t& tHost) {
  return std::string_view(tHost.ip, strnlen(tHost.ip, sizeof tHost.ip));
}

// The bucket that holds the key, or the free bucket where it would go.
std::size_t FindBucket(const host_table_t& tTable, std::string_view szKey) {
  const std::size_t iMask = tTable.tIndex.size() - 1;
  std::size_t iBucket = HashKey(szKey) & iMask;
  while (tTable.tIndex[iBucket] != 0 &&
         !EqualsIgnoreCase(GetHostKey(tTable.tHosts[tTable.tIndex[iBucket] - 1]), szKey)) {
    iBucket = (iBucket + 1) & iMask;
  }
  return iBucket;
}

// Keeps the index at most half full, so that a probe ends after a step or two.
void GrowIndex(host_table_t& tTable) {
  std::size_t iBuckets = tTable.tIndex.empty() ? 64 : tTable.tIndex.size() * 2;
  tTable.tIndex.assign(iBuckets, 0);
  const std::size_t iMask = iBuckets - 1;
  for (std::size_t iHost = 0; iHost < tTable.tHosts.size(); ++iHost) {
    std::size_t iBucket = HashKey(GetHostKey(tTable.tHosts[iHost])) & iMask;
    while (tTable.tIndex[iBucket] != 0) {
      iBucket = (iBucket + 1) & iMask;
    }
    tTable.tIndex[iBucket] = static_cast<int32_t>(iHost + 1);
  }
}

}  // namespace

int32_t FindHost(const host_table_t& tTable, std::string_view szKey) {
  if (tTable.tIndex.empty()) {
    return -1;
  }
  return tTable.tIndex[FindBucket(tTable, szKey)] - 1;
}

int32_t FindOrAddHost(host_table_t& tTable, std::string_view szKey) {
  if ((tTable.tHosts.size() + 1) * 2 > tTable.tIndex.size()) {
    GrowIndex(tTable);
  }
  const std::size_t iBucket = FindBucket(tTable, szKey);
  if (tTable.tIndex[iBucket] != 0) {
    return tTable.tIndex[iBucket] - 1;
  }
  data_t& tHost = tTable.tHosts.emplace_back();
  CopyText(tHost.ip, sizeof tHost.ip, szKey);
  tTable.tIndex[iBucket] = static_cast<int32_t>(tTable.tHosts.size());
  return static_cast<int32_t>(tTable.tHosts.size() - 1);
}
