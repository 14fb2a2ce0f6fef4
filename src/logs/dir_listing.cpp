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

// Below this many names a part is sorted by insertion.
constexpr std::size_t kInsertionSortNames = 12;

// The byte of a name at a depth it reaches (its terminator being the last).
unsigned char ByteAt(const char* pBase, std::uint32_t iOffset, std::size_t iDepth) {
  return static_cast<unsigned char>(pBase[iOffset + iDepth]);
}

// Names alike in their first iDepth bytes, compared from there on.
bool IsBefore(const char* pBase, std::uint32_t iLeft, std::uint32_t iRight, std::size_t iDepth) {
  return std::strcmp(pBase + iLeft + iDepth, pBase + iRight + iDepth) < 0;
}

void SortByInsertion(std::uint32_t* pFirst, std::size_t iCount, const char* pBase,
                     std::size_t iDepth) {
  for (std::size_t iNext = 1; iNext < iCount; ++iNext) {
    const std::uint32_t iOffset = pFirst[iNext];
    std::size_t iAt = iNext;
    for (; iAt > 0 && IsBefore(pBase, iOffset, pFirst[iAt - 1], iDepth); --iAt) {
      pFirst[iAt] = pFirst[iAt - 1];
    }
    pFirst[iAt] = iOffset;
  }
}

// Names alike in their first iDepth bytes, split three ways on the byte at iDepth: the part
// equal to the pivot goes on one byte deeper, so the bytes the names share (a prefix and a
// year) are each looked at once per name rather than once per comparison. iLevelsLeft bounds
// the splits on one byte that a hostile set of names could make uneven; past it, a plain sort.
void SortFromDepth(std::uint32_t* pFirst, std::size_t iCount, const char* pBase, std::size_t iDepth,
                   int iLevelsLeft) {
  while (iCount > kInsertionSortNames) {
    if (iLevelsLeft-- == 0) {
      std::sort(pFirst, pFirst + iCount,
                [pBase, iDepth](std::uint32_t iLeft, std::uint32_t iRight) {
                  return IsBefore(pBase, iLeft, iRight, iDepth);
                });
      return;
    }
    // The median of the first, middle and last bytes.
    unsigned char acPick[3] = {ByteAt(pBase, pFirst[0], iDepth),
                               ByteAt(pBase, pFirst[iCount / 2], iDepth),
                               ByteAt(pBase, pFirst[iCount - 1], iDepth)};
    std::sort(acPick, acPick + 3);
    const unsigned char cPivot = acPick[1];
    // [0, iLess) below the pivot, [iLess, iNext) equal, (iMore, iCount) above.
    std::size_t iLess = 0;
    std::size_t iNext = 0;
    std::size_t iMore = iCount;
    while (iNext < iMore) {
      const unsigned char cByte = ByteAt(pBase, pFirst[iNext], iDepth);
      if (cByte < cPivot) {
        std::swap(pFirst[iLess++], pFirst[iNext++]);
      } else if (cByte > cPivot) {
        std::swap(pFirst[iNext], pFirst[--iMore]);
      } else {
        ++iNext;
      }
    }
    SortFromDepth(pFirst, iLess, pBase, iDepth, iLevelsLeft);
    SortFromDepth(pFirst + iMore, iCount - iMore, pBase, iDepth, iLevelsLeft);
    // Names that end at this byte are equal: nothing left to order among them.
    if (cPivot == 0) {
      return;
    }
    pFirst += iLess;
    iCount = iMore - iLess;
    ++iDepth;
  }
  SortByInsertion(pFirst, iCount, pBase, iDepth);
}

}  // namespace

void SortNameOffsets(std::span<std::uint32_t> tOffsets, const char* pNameBytes) {
  // Some 2 log2(n) uneven splits, and one a byte for the longest name a file system allows.
  int iLevels = 256;
  for (std::size_t iCount = tOffsets.size(); iCount > 1; iCount /= 2) {
    iLevels += 2;
  }
  SortFromDepth(tOffsets.data(), tOffsets.size(), pNameBytes, 0, iLevels);
}

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
  SortNameOffsets(tListing.tOffsets, pBase);
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
