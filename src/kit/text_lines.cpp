// Blank-separated words: a listing's columns widen with its counters.
#include "kit/text_lines.h"

std::vector<std::string_view> SplitWords(std::string_view szLine) {
  std::vector<std::string_view> tWords;
  std::size_t iAt = 0;
  while (iAt < szLine.size()) {
    if (szLine[iAt] == ' ' || szLine[iAt] == '\t') {
      ++iAt;
      continue;
    }
    const std::size_t iEnd = std::min(szLine.find_first_of(" \t", iAt), szLine.size());
    tWords.push_back(szLine.substr(iAt, iEnd - iAt));
    iAt = iEnd;
  }
  return tWords;
}
