// Words and lines of nft's text as the kit's nft readers take them: blanks are spaces, tabs
// and line ends, as awk splits a line into fields.
#pragma once

#include <string_view>
#include <vector>

/// The words of szText, split at runs of spaces, tabs and line ends.
std::vector<std::string_view> SplitNftWords(std::string_view szText);

/// szText without the spaces and tabs it begins with.
std::string_view TrimNftIndent(std::string_view szText);

/// szText without the spaces and tabs at either end.
std::string_view TrimNftBlanks(std::string_view szText);

/// The word after the first szWord among tWords but the last (empty when there is none).
std::string_view NftWordAfter(const std::vector<std::string_view>& tWords, std::string_view szWord);

/// Calls fnLine with each line of szText (without its '\n'); a last line without one too.
template <class OnLine>
void ForEachNftLine(std::string_view szText, OnLine&& fnLine) {
  while (!szText.empty()) {
    const std::size_t iBreak = szText.find('\n');
    if (iBreak == std::string_view::npos) {
      fnLine(szText);
      return;
    }
    fnLine(szText.substr(0, iBreak));
    szText.remove_prefix(iBreak + 1);
  }
}
