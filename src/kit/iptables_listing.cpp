// The iptables backend's texts, read as words the way the firewall prints them. Counters stay
// text: a row is only ever rewritten to 0, never summed.
#include "kit/iptables_listing.h"

#include <set>
#include <utility>
#include <vector>

#include "kit/text_lines.h"

namespace {

bool IsDigit(char cChar) { return cChar >= '0' && cChar <= '9'; }

// The end of a run of cChar-like bytes from iAt; iAt itself when there is none.
template <typename is_t>
std::size_t SkipWhile(std::string_view szText, std::size_t iAt, is_t&& fIs) {
  while (iAt < szText.size() && fIs(szText[iAt])) {
    ++iAt;
  }
  return iAt;
}

// The rules that start from 0, as their rows show them: (address, comment).
struct zero_rules_t {
  bool bEvery = false;
  std::set<std::pair<std::string, std::string>> tStarts;
};

zero_rules_t ReadZeroRules(std::string_view szZero, std::string_view szChain) {
  zero_rules_t tRules;
  ForEachLine(szZero, [&tRules, szChain](std::string_view szLine) {
    const std::vector<std::string_view> tWords = SplitWords(szLine);
    if (tWords.size() < 2 || tWords[1] != szChain) {
      return;
    }
    tRules.bEvery = tRules.bEvery || tWords[0] == "all";
    if (tWords.size() < 4) {
      return;
    }
    std::string_view szAddress = tWords[3];
    for (const std::string_view szHost : {"/32", "/128"}) {
      if (szAddress.ends_with(szHost)) {
        szAddress.remove_suffix(szHost.size());
        break;
      }
    }
    tRules.tStarts.emplace(szAddress, tWords.size() >= 8 ? tWords[7] : std::string_view());
  });
  return tRules;
}

// Whether a row is that of a rule that starts from 0: any word from the seventh on (source,
// destination, options) with the row's comment.
bool StartsFromZero(std::string_view szLine, const zero_rules_t& tRules) {
  if (tRules.bEvery) {
    return true;
  }
  const std::vector<std::string_view> tWords = SplitWords(szLine);
  const std::size_t iWords = tWords.size();
  std::string szComment;
  if (iWords >= 3 && tWords[iWords - 3] == "/*" && tWords[iWords - 1] == "*/") {
    szComment = tWords[iWords - 2];
  }
  for (std::size_t iWord = 6; iWord < iWords; ++iWord) {
    if (tRules.tStarts.contains({std::string(tWords[iWord]), szComment})) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ZeroRow(std::string_view szLine) {
  const std::size_t iPackets = SkipWhile(szLine, 0, [](char cChar) { return cChar == ' '; });
  const std::size_t iPacketsEnd = SkipWhile(szLine, iPackets, IsDigit);
  const std::size_t iBytes =
      SkipWhile(szLine, iPacketsEnd, [](char cChar) { return cChar == ' '; });
  const std::size_t iBytesEnd = SkipWhile(szLine, iBytes, IsDigit);
  if (iPacketsEnd == iPackets || iBytes == iPacketsEnd || iBytesEnd == iBytes ||
      iBytesEnd >= szLine.size() || szLine[iBytesEnd] != ' ') {
    return std::string(szLine);
  }
  return "       0        0 " + std::string(szLine.substr(iBytesEnd + 1));
}

std::string WriteChainListing(std::string_view szListing, std::string_view szChain,
                              std::string_view szMark, bool bHeader, std::string_view szZero) {
  const zero_rules_t tRules = ReadZeroRules(szZero, szChain);
  const std::string szMarkComment = "/* " + std::string(szMark) + " */";
  std::string szOut;
  int iLine = 0;
  ForEachLine(szListing, [&](std::string_view szLine) {
    if (++iLine <= 2) {
      if (bHeader) {
        szOut.append(szLine).append("\n");
      }
      return;
    }
    if (szLine.find(szMarkComment) != std::string_view::npos) {
      return;
    }
    szOut += StartsFromZero(szLine, tRules) ? ZeroRow(szLine) : std::string(szLine);
    szOut += '\n';
  });
  return szOut;
}

std::string WriteRestoreInput(std::string_view szPlan) {
  std::vector<std::pair<std::string, std::string>> tTables;
  ForEachLine(szPlan, [&tTables](std::string_view szLine) {
    if (!szLine.starts_with("R ")) {
      return;
    }
    szLine.remove_prefix(2);
    const std::size_t iSpace = std::min(szLine.find(' '), szLine.size());
    const std::string_view szTable = szLine.substr(0, iSpace);
    szLine.remove_prefix(std::min(iSpace + 1, szLine.size()));
    std::size_t iTable = 0;
    while (iTable < tTables.size() && tTables[iTable].first != szTable) {
      ++iTable;
    }
    if (iTable == tTables.size()) {
      tTables.emplace_back(szTable, "");
    }
    tTables[iTable].second.append(szLine).append("\n");
  });
  std::string szOut;
  for (const auto& [szTable, szLines] : tTables) {
    szOut.append("*").append(szTable).append("\n").append(szLines).append("COMMIT\n");
  }
  return szOut;
}

std::string FindMarkNumber(std::string_view szLines, std::string_view szChain,
                           std::string_view szMark) {
  int iNumber = 0;
  std::string szFound;
  ForEachLine(szLines, [&](std::string_view szLine) {
    const std::vector<std::string_view> tWords = SplitWords(szLine);
    if (!szFound.empty() || tWords.size() < 2 || tWords[0] != "-A" || tWords[1] != szChain) {
      return;
    }
    ++iNumber;
    // The mark's comment as a whole word: a host may be named netreckon-reset-mark-2.
    for (std::size_t iWord = 2; iWord + 1 < tWords.size(); ++iWord) {
      if (tWords[iWord] == "--comment" && tWords[iWord + 1] == szMark) {
        szFound = std::to_string(iNumber);
        return;
      }
    }
  });
  return szFound;
}
