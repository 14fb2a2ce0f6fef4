// Listing the log directory once, its names in ascending byte order.
#include <dirent.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include "logs/logs.h"

namespace {

struct dir_closer_t {
  void operator()(DIR* pDir) const { closedir(pDir); }
};

void AppendName(dir_listing_t& tListing, std::string_view szName, char cListed) {
  tListing.tNameBytes.push_back(cListed);
  tListing.tOffsets.push_back(static_cast<std::uint32_t>(tListing.tNameBytes.size()));
  tListing.tNameBytes.insert(tListing.tNameBytes.end(), szName.begin(), szName.end());
  tListing.tNameBytes.push_back('\0');
}

// The first bytes of a name as numbers that order as the bytes do (the bytes after its end
// zero, below any byte a name holds), and where the name starts.
constexpr std::size_t kNameKeyBytes = 24;
struct name_key_t {
  std::array<std::uint64_t, kNameKeyBytes / 8> auiKey;
  std::uint32_t iOffset;
};

name_key_t MakeNameKey(const char* szName, std::uint32_t iOffset) {
  std::array<unsigned char, kNameKeyBytes> acBytes = {};
  const std::size_t iLength = strnlen(szName, kNameKeyBytes);
  std::memcpy(acBytes.data(), szName, iLength);
  name_key_t tKey = {{}, iOffset};
  for (std::size_t iWord = 0; iWord < tKey.auiKey.size(); ++iWord) {
    std::uint64_t uiWord = 0;
    for (std::size_t iByte = 0; iByte < 8; ++iByte) {
      uiWord = (uiWord << 8) | acBytes[iWord * 8 + iByte];
    }
    tKey.auiKey[iWord] = uiWord;
  }
  return tKey;
}

}  // namespace

dir_listing_t ListLogDirectory(const char* szLogPath) {
  dir_listing_t tListing;
  const std::unique_ptr<DIR, dir_closer_t> pDir(opendir(szLogPath));
  if (!pDir) {
    tListing.iOpenError = errno;
    return tListing;
  }
  tListing.bOpened = true;
  // Names, and the types the listing gives for free: nothing is looked up per entry. An
  // error while listing ends the listing as its end does.
  while (const dirent* pEntry = readdir(pDir.get())) {
    AppendName(tListing, pEntry->d_name, pEntry->d_type == DT_REG ? kListedFile : kListedOther);
  }
  // The file system's own order is arbitrary (hash order on ext4); the scan's choice of the
  // range and of the baseline needs the logs in date order, which byte order gives. The names
  // are sorted by keys of their first bytes, compared as numbers, so that a year's 200,000
  // names are not each looked up again at every comparison.
  const char* pBase = tListing.tNameBytes.data();
  std::vector<name_key_t> tKeys;
  tKeys.reserve(tListing.tOffsets.size());
  for (const std::uint32_t iOffset : tListing.tOffsets) {
    tKeys.push_back(MakeNameKey(pBase + iOffset, iOffset));
  }
  std::sort(tKeys.begin(), tKeys.end(), [pBase](const name_key_t& tLeft, const name_key_t& tRight) {
    if (tLeft.auiKey != tRight.auiKey) {
      return tLeft.auiKey < tRight.auiKey;
    }
    // The same first bytes: both names are longer than the key (no two names are equal).
    return std::strcmp(pBase + tLeft.iOffset + kNameKeyBytes,
                       pBase + tRight.iOffset + kNameKeyBytes) < 0;
  });
  // The names are then laid out in that order too: the scans of both directions and the
  // reading of each file go through them in order, and a year's 200,000 names in the file
  // system's order would be a cache miss each time.
  dir_listing_t tSorted;
  tSorted.bOpened = true;
  tSorted.tNameBytes.reserve(tListing.tNameBytes.size());
  tSorted.tOffsets.reserve(tListing.tOffsets.size());
  for (const name_key_t& tKey : tKeys) {
    AppendName(tSorted, pBase + tKey.iOffset, pBase[tKey.iOffset - 1]);
  }
  return tSorted;
}

dir_listing_t MakeLogListing(std::span<const std::string_view> tNames) {
  dir_listing_t tListing;
  tListing.bOpened = true;
  for (const std::string_view szName : tNames) {
    AppendName(tListing, szName, kListedOther);
  }
  return tListing;
}
