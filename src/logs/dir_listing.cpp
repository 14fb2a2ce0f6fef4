// Listing the log directory once, its names in ascending byte order.
#include <dirent.h>

#include <algorithm>
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
  // range and of the baseline needs the logs in date order, which byte order gives.
  const char* pBase = tListing.tNameBytes.data();
  std::sort(tListing.tOffsets.begin(), tListing.tOffsets.end(),
            [pBase](std::uint32_t iLeft, std::uint32_t iRight) {
              return std::strcmp(pBase + iLeft, pBase + iRight) < 0;
            });
  // The names are then laid out in that order too: the scans of both directions and the
  // reading of each file go through them in order, and a year's 200,000 names in the file
  // system's order would be a cache miss each time.
  dir_listing_t tSorted;
  tSorted.bOpened = true;
  tSorted.tNameBytes.reserve(tListing.tNameBytes.size());
  tSorted.tOffsets.reserve(tListing.tOffsets.size());
  for (const std::uint32_t iOffset : tListing.tOffsets) {
    AppendName(tSorted, pBase + iOffset, pBase[iOffset - 1]);
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
