// Stamps are compared as text: 14 digits sort as the times they write, and a day of 8 digits
// sorts before every stamp of that day.
#include "kit/snapshot_names.h"

#include <algorithm>
#include <vector>

#include "kit/text_lines.h"

namespace {

bool IsStamp(std::string_view szText) {
  return szText.size() == 14 && std::all_of(szText.begin(), szText.end(), [](char cChar) {
           return cChar >= '0' && cChar <= '9';
         });
}

}  // namespace

std::string SelectSnapshots(std::string_view szNames, std::string_view szPrefix,
                            std::string_view szBefore) {
  std::vector<std::string_view> tNames;
  ForEachLine(szNames, [&](std::string_view szName) {
    if (!szName.starts_with(szPrefix)) {
      return;
    }
    const std::string_view szStamp = szName.substr(szPrefix.size());
    if (IsStamp(szStamp) && (szBefore.empty() || szStamp < szBefore)) {
      tNames.push_back(szName);
    }
  });
  std::sort(tNames.begin(), tNames.end());
  std::string szOut;
  for (const std::string_view szName : tNames) {
    szOut.append(szName).append("\n");
  }
  return szOut;
}

std::string KeepEvents(std::string_view szEvents, std::string_view szOldest) {
  std::string szOut;
  ForEachLine(szEvents, [&](std::string_view szLine) {
    const std::vector<std::string_view> tWords = SplitWords(szLine);
    if (!tWords.empty() && tWords[0].substr(0, 8) >= szOldest) {
      szOut.append(szLine).append("\n");
    }
  });
  return szOut;
}
