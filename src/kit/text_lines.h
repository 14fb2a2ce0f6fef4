// Lines and blank-separated words of the texts the kit's shell hands the helper: listings,
// plans, names of snapshots.
#pragma once

#include <string_view>
#include <vector>

/// Calls fOnLine with each line of szText, without its newline; a last line without one counts.
template <typename on_line_t>
void ForEachLine(std::string_view szText, on_line_t&& fOnLine) {
  while (!szText.empty()) {
    const std::size_t iBreak = szText.find('\n');
    fOnLine(szText.substr(0, iBreak));
    szText.remove_prefix(iBreak == std::string_view::npos ? szText.size() : iBreak + 1);
  }
}

/// The words of a line, as blanks (spaces and tabs) separate them.
std::vector<std::string_view> SplitWords(std::string_view szLine);
