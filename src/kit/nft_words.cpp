// Words and lines of nft's text.
#include "kit/nft_words.h"

namespace {

bool IsBlank(char cChar) { return cChar == ' ' || cChar == '\t' || cChar == '\n'; }

}  // namespace

std::vector<std::string_view> SplitNftWords(std::string_view szText) {
  std::vector<std::string_view> tWords;
  std::size_t iAt = 0;
  while (iAt < szText.size()) {
    while (iAt < szText.size() && IsBlank(szText[iAt])) {
      ++iAt;
    }
    const std::size_t iStart = iAt;
    while (iAt < szText.size() && !IsBlank(szText[iAt])) {
      ++iAt;
    }
    if (iAt > iStart) {
      tWords.push_back(szText.substr(iStart, iAt - iStart));
    }
  }
  return tWords;
}

std::string_view TrimNftIndent(std::string_view szText) {
  const std::size_t iStart = szText.find_first_not_of(" \t");
  return iStart == std::string_view::npos ? std::string_view() : szText.substr(iStart);
}

std::string_view TrimNftBlanks(std::string_view szText) {
  szText = TrimNftIndent(szText);
  const std::size_t iEnd = szText.find_last_not_of(" \t");
  return iEnd == std::string_view::npos ? std::string_view() : szText.substr(0, iEnd + 1);
}

std::string_view NftWordAfter(const std::vector<std::string_view>& tWords,
                              std::string_view szWord) {
  for (std::size_t iWord = 0; iWord + 1 < tWords.size(); ++iWord) {
    if (tWords[iWord] == szWord) {
      return tWords[iWord + 1];
    }
  }
  return {};
}
