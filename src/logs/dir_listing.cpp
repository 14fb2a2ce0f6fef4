// Listing the log directory once, its names in ascending byte order.
#include <dirent.h>

#include <algorithm>
#include <array>
#include <bit>
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
constexpr std::size_t kInsertionSortNames = 16;
// A level of the sort is a byte of depth; past this one, a plain sort (a directory's names
// have at most 255 bytes, so only names listed some other way get there).
constexpr std::size_t kDeepestSortedByte = 256;

// A name's offset and eight of its bytes from the depth its part is sorted at: the sort looks
// at these, in order in memory, rather than at the names themselves, scattered over the
// listing (a year's names are in the file system's order, a cache miss each).
struct name_key_t {
  std::uint64_t uiKey;  // the bytes, the first the most significant; zero past the name's end
  std::uint32_t iOffset;
};

// Names of a part do not end before iDepth: reading stops at the terminator.
std::uint64_t ReadNameKey(const char* pBase, std::uint32_t iOffset, std::size_t iDepth) {
  const char* pBytes = pBase + iOffset + iDepth;
  std::uint64_t uiKey = 0;
  for (std::size_t iByte = 0; iByte < 8; ++iByte) {
    const auto cByte = static_cast<unsigned char>(pBytes[iByte]);
    uiKey |= static_cast<std::uint64_t>(cByte) << (56 - 8 * iByte);
    if (cByte == 0) {
      break;
    }
  }
  return uiKey;
}

// Names alike in their first iDepth bytes, compared from there on.
bool IsBefore(const char* pBase, std::uint32_t iLeft, std::uint32_t iRight, std::size_t iDepth) {
  return std::strcmp(pBase + iLeft + iDepth, pBase + iRight + iDepth) < 0;
}

// Names alike before iKeyDepth, their keys holding the bytes from there: the keys decide,
// unless they are equal and the names go on past them.
bool IsKeyBefore(const name_key_t& tLeft, const name_key_t& tRight, const char* pBase,
                 std::size_t iKeyDepth) {
  if (tLeft.uiKey != tRight.uiKey) {
    return tLeft.uiKey < tRight.uiKey;
  }
  // A key's last byte is 0 only when its name ends within it.
  return (tLeft.uiKey & 0xFF) != 0 && IsBefore(pBase, tLeft.iOffset, tRight.iOffset, iKeyDepth + 8);
}

void SortByInsertion(name_key_t* pFirst, std::size_t iCount, const char* pBase,
                     std::size_t iKeyDepth) {
  for (std::size_t iNext = 1; iNext < iCount; ++iNext) {
    const name_key_t tName = pFirst[iNext];
    std::size_t iAt = iNext;
    for (; iAt > 0 && IsKeyBefore(tName, pFirst[iAt - 1], pBase, iKeyDepth); --iAt) {
      pFirst[iAt] = pFirst[iAt - 1];
    }
    pFirst[iAt] = tName;
  }
}

// Names alike in their first iDepth bytes, of which the keys hold bytes iDepth - iKeyByte on:
// the bytes they all share are passed at once, then the names are put in order by the first
// byte that differs, a bucket for each value, and each bucket goes on from the next byte; the
// names that end at that byte are equal. pSpare has room for iCount names. Each level is a
// byte deeper, so the levels are bounded by kDeepestSortedByte.
void SortFromDepth(name_key_t* pFirst, std::size_t iCount, name_key_t* pSpare, const char* pBase,
                   std::size_t iDepth, std::size_t iKeyByte) {
  while (iCount > kInsertionSortNames) {
    // Deeper than any name a file system allows: names made some other way are compared whole.
    if (iDepth > kDeepestSortedByte) {
      std::sort(pFirst, pFirst + iCount,
                [pBase, iDepth](const name_key_t& tLeft, const name_key_t& tRight) {
                  return IsBefore(pBase, tLeft.iOffset, tRight.iOffset, iDepth);
                });
      return;
    }
    if (iKeyByte == 8) {
      for (std::size_t iName = 0; iName < iCount; ++iName) {
        pFirst[iName].uiKey = ReadNameKey(pBase, pFirst[iName].iOffset, iDepth);
      }
      iKeyByte = 0;
    }
    std::uint64_t uiDiffer = 0;
    for (std::size_t iName = 1; iName < iCount; ++iName) {
      uiDiffer |= pFirst[iName].uiKey ^ pFirst[0].uiKey;
    }
    uiDiffer &= ~std::uint64_t{0} >> (8 * iKeyByte);
    if (uiDiffer == 0) {
      // Every name ends within the key: all are equal.
      if ((pFirst[0].uiKey & 0xFF) == 0) {
        return;
      }
      iDepth += 8 - iKeyByte;
      iKeyByte = 8;
      continue;
    }
    const auto iByte = static_cast<std::size_t>(std::countl_zero(uiDiffer)) / 8;
    iDepth += iByte - iKeyByte;
    iKeyByte = iByte;
    const std::size_t iShift = 56 - 8 * iKeyByte;
    std::array<std::uint32_t, 256> aiCount = {};
    for (std::size_t iName = 0; iName < iCount; ++iName) {
      ++aiCount[(pFirst[iName].uiKey >> iShift) & 0xFF];
    }
    std::array<std::uint32_t, 256> aiNext = {};
    for (std::size_t iValue = 1; iValue < 256; ++iValue) {
      aiNext[iValue] = aiNext[iValue - 1] + aiCount[iValue - 1];
    }
    for (std::size_t iName = 0; iName < iCount; ++iName) {
      pSpare[aiNext[(pFirst[iName].uiKey >> iShift) & 0xFF]++] = pFirst[iName];
    }
    std::copy(pSpare, pSpare + iCount, pFirst);
    // Bucket 0 holds the names that end here: equal, nothing to order among them.
    std::size_t iStart = aiCount[0];
    for (std::size_t iValue = 1; iValue < 256; ++iValue) {
      if (aiCount[iValue] > 1) {
        SortFromDepth(pFirst + iStart, aiCount[iValue], pSpare, pBase, iDepth + 1, iKeyByte + 1);
      }
      iStart += aiCount[iValue];
    }
    return;
  }
  SortByInsertion(pFirst, iCount, pBase, iDepth - iKeyByte);
}

}  // namespace

void SortNameOffsets(std::span<std::uint32_t> tOffsets, const char* pNameBytes) {
  std::vector<name_key_t> tNames(tOffsets.size());
  for (std::size_t iName = 0; iName < tOffsets.size(); ++iName) {
    tNames[iName] = {ReadNameKey(pNameBytes, tOffsets[iName], 0), tOffsets[iName]};
  }
  std::vector<name_key_t> tSpare(tOffsets.size());
  SortFromDepth(tNames.data(), tNames.size(), tSpare.data(), pNameBytes, 0, 0);
  for (std::size_t iName = 0; iName < tOffsets.size(); ++iName) {
    tOffsets[iName] = tNames[iName].iOffset;
  }
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
