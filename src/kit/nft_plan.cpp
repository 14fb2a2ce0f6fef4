// The nftables backend's plan for a changed config, from the kit's two texts and a listing.
#include "kit/nft_plan.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "kit/nft_words.h"

namespace {

// One "nft -f" text of the kit: its sets, its chains and their rules, in order.
struct nft_text_t {
  std::vector<std::string_view> tSetOrder;
  std::unordered_map<std::string_view, std::string_view> tSetLines;
  std::vector<std::string_view> tChainOrder;
  std::unordered_set<std::string_view> tChains;
  std::unordered_map<std::string_view, std::string_view> tHeaders;  // the chains with a hook
  std::unordered_map<std::string_view, std::vector<std::string_view>> tRules;
  std::vector<std::string_view> tNoRules;  // the rules of a chain the text does not hold
};

std::string_view SecondWord(std::string_view szLine) {
  const std::vector<std::string_view> tWords = SplitNftWords(szLine);
  return tWords.size() > 1 ? tWords[1] : std::string_view();
}

nft_text_t ReadNftText(std::string_view szText) {
  nft_text_t tText;
  std::string_view szChain;
  ForEachNftLine(szText, [&](std::string_view szRaw) {
    const std::string_view szLine = TrimNftBlanks(szRaw);
    if (szLine.empty() || szLine.starts_with("table ")) {
      return;
    }
    if (szLine == "}") {
      szChain = {};
      return;
    }
    if (szLine.starts_with("set ")) {
      const std::string_view szSet = SecondWord(szLine);
      if (tText.tSetLines.count(szSet) == 0) {
        tText.tSetOrder.push_back(szSet);
      }
      tText.tSetLines[szSet] = szLine;
      return;
    }
    if (szLine.starts_with("chain ")) {
      szChain = SecondWord(szLine);
      tText.tChainOrder.push_back(szChain);
      tText.tChains.insert(szChain);
      return;
    }
    if (szLine.starts_with("type filter hook ")) {
      tText.tHeaders[szChain] = szLine;
      return;
    }
    tText.tRules[szChain].push_back(szLine);
  });
  return tText;
}

// The handle of each rule of the listing, in order, per chain (sets and hooks passed over).
std::unordered_map<std::string_view, std::vector<std::string_view>> ReadHandles(
    std::string_view szListing) {
  std::unordered_map<std::string_view, std::vector<std::string_view>> tHandles;
  std::string_view szChain;
  bool bInSet = false;
  ForEachNftLine(szListing, [&](std::string_view szRaw) {
    const std::string_view szLine = TrimNftBlanks(szRaw);
    if (szLine.starts_with("set ") && szLine.find(" {", 4) != std::string_view::npos) {
      bInSet = true;
      return;
    }
    if (bInSet) {
      bInSet = szLine != "}";
      return;
    }
    if (szLine.starts_with("chain ")) {
      szChain = SecondWord(szLine);
      return;
    }
    if (szLine == "}") {
      szChain = {};
      return;
    }
    if (szChain.empty() || szLine.starts_with("type filter hook ")) {
      return;
    }
    const std::size_t iMark = szLine.rfind("# handle ");
    if (iMark == std::string_view::npos || iMark + 9 == szLine.size()) {
      return;
    }
    const std::string_view szHandle = szLine.substr(iMark + 9);
    if (szHandle.find_first_not_of("0123456789") == std::string_view::npos) {
      tHandles[szChain].push_back(szHandle);
    }
  });
  return tHandles;
}

const std::vector<std::string_view>& RulesOf(const nft_text_t& tText, std::string_view szChain) {
  const auto pFound = tText.tRules.find(szChain);
  return pFound != tText.tRules.end() ? pFound->second : tText.tNoRules;
}

bool IsBase(const nft_text_t& tText, std::string_view szChain) {
  return tText.tHeaders.count(szChain) > 0;
}

// What the rules of a text put into a set ("update @SET { KEY } ..."): elements made by another
// key (addresses, or /64 prefixes) do not belong in it.
std::string SetKey(const nft_text_t& tText, std::string_view szSet) {
  const std::string szUpdate = "update @" + std::string(szSet) + " ";
  std::string szKey;
  for (const std::string_view szChain : tText.tChainOrder) {
    for (const std::string_view szRule : RulesOf(tText, szChain)) {
      const std::size_t iAt = szRule.find(szUpdate);
      if (iAt != std::string_view::npos) {
        szKey += szRule.substr(iAt);
        szKey += '\n';
      }
    }
  }
  return szKey;
}

// The key of a counting rule's row: the address after daddr or saddr (without /32 or /128),
// or "!CAUSE:SUBNET" for a row of what no host took, as the converter writes it.
std::string RowKey(std::string_view szRule) {
  const std::vector<std::string_view> tWords = SplitNftWords(szRule);
  std::string_view szAddress;
  for (std::size_t iWord = 0; iWord + 1 < tWords.size(); ++iWord) {
    if (tWords[iWord] == "daddr" || tWords[iWord] == "saddr") {
      szAddress = tWords[iWord + 1];
      if (szAddress.ends_with("/32")) {
        szAddress.remove_suffix(3);
      } else if (szAddress.ends_with("/128")) {
        szAddress.remove_suffix(4);
      }
      break;
    }
  }
  const struct {
    std::string_view szComment;
    std::string_view szCause;
  } kCauses[] = {
      {"comment \"not counted: set full\"", "!full:"},
      {"comment \"not counted: unknown host\"", "!unknown:"},
      {"comment \"not counted: too many addresses\"", "!limit:"},
      {"comment \"not counted: spoofed source\"", "!spoofed:"},
  };
  for (const auto& tCause : kCauses) {
    if (szRule.find(tCause.szComment) != std::string_view::npos) {
      return std::string(tCause.szCause) + std::string(szAddress);
    }
  }
  return std::string(szAddress);
}

}  // namespace

nft_plan_t PlanNftChange(std::string_view szTable, std::string_view szLoaded,
                         std::string_view szWanted, std::string_view szListing) {
  nft_plan_t tPlan;
  const nft_text_t tOld = ReadNftText(szLoaded);
  const nft_text_t tNew = ReadNftText(szWanted);
  const auto tHandles = ReadHandles(szListing);
  const auto HandlesOf = [&](std::string_view szChain) -> const std::vector<std::string_view>& {
    const auto pFound = tHandles.find(szChain);
    return pFound != tHandles.end() ? pFound->second : tOld.tNoRules;
  };
  // The counting chains (the chains without a hook) must keep their names, and every chain
  // loaded last must still hold its rules, one handle each.
  for (const std::string_view szChain : tOld.tChainOrder) {
    if (HandlesOf(szChain).size() != RulesOf(tOld, szChain).size() ||
        (!IsBase(tOld, szChain) && tNew.tChains.count(szChain) == 0)) {
      tPlan.bReplace = true;
      return tPlan;
    }
  }
  for (const std::string_view szChain : tNew.tChainOrder) {
    if (!IsBase(tNew, szChain) && tOld.tChains.count(szChain) == 0) {
      tPlan.bReplace = true;
      return tPlan;
    }
  }
  const std::string szPrefix = " inet " + std::string(szTable) + " ";
  std::string& szOut = tPlan.szLines;
  // Sets: one that stays as it is keeps its elements; another is made anew, and every rule
  // that updates it or looks an element up in it with it.
  const auto SetLineOf = [](const nft_text_t& tText, std::string_view szSet) {
    const auto pFound = tText.tSetLines.find(szSet);
    return pFound != tText.tSetLines.end() ? pFound->second : std::string_view();
  };
  std::vector<std::string> tRenewed;
  std::unordered_set<std::string_view> tRenewedSets;
  for (const std::string_view szSet : tOld.tSetOrder) {
    if (SetLineOf(tOld, szSet) != SetLineOf(tNew, szSet) ||
        SetKey(tOld, szSet) != SetKey(tNew, szSet)) {
      tRenewed.push_back("@" + std::string(szSet) + " ");
      tRenewedSets.insert(szSet);
    }
  }
  const auto UsesRenewed = [&](std::string_view szRule) {
    for (const std::string& szUse : tRenewed) {
      if (szRule.find(szUse) != std::string_view::npos) {
        return true;
      }
    }
    return false;
  };
  // Hook chains: one whose lines change is made anew (it holds only jumps, no counter).
  std::unordered_set<std::string_view> tKeptChains;
  for (const std::string_view szChain : tOld.tChainOrder) {
    if (!IsBase(tOld, szChain)) {
      continue;
    }
    if (IsBase(tNew, szChain) && tOld.tHeaders.at(szChain) == tNew.tHeaders.at(szChain) &&
        RulesOf(tOld, szChain) == RulesOf(tNew, szChain)) {
      tKeptChains.insert(szChain);
    } else {
      szOut += "C delete chain" + szPrefix + std::string(szChain) + "\n";
    }
  }
  // Counting chains: the rules loaded last that stand, in order, in the new text stay (each
  // new rule's kept old one, 1-based, 0 for none); the others go, by their handles.
  std::unordered_map<std::string_view, std::vector<std::size_t>> tKeepOf;
  for (const std::string_view szChain : tNew.tChainOrder) {
    if (IsBase(tNew, szChain)) {
      continue;
    }
    const std::vector<std::string_view>& tOldRules = RulesOf(tOld, szChain);
    const std::vector<std::string_view>& tNewRules = RulesOf(tNew, szChain);
    std::vector<std::size_t>& tKeep = tKeepOf[szChain];
    tKeep.assign(tNewRules.size(), 0);
    std::vector<bool> tKeptOld(tOldRules.size(), false);
    std::size_t iFrom = 0;
    for (std::size_t iNew = 0; iNew < tNewRules.size(); ++iNew) {
      if (UsesRenewed(tNewRules[iNew])) {
        continue;
      }
      for (std::size_t iOld = iFrom; iOld < tOldRules.size(); ++iOld) {
        if (tOldRules[iOld] == tNewRules[iNew]) {
          tKeep[iNew] = iOld + 1;
          tKeptOld[iOld] = true;
          iFrom = iOld + 1;
          break;
        }
      }
    }
    for (std::size_t iOld = 0; iOld < tOldRules.size(); ++iOld) {
      if (!tKeptOld[iOld]) {
        szOut += "C delete rule" + szPrefix + std::string(szChain) + " handle " +
                 std::string(HandlesOf(szChain)[iOld]) + "\n";
      }
    }
  }
  for (const std::string_view szSet : tOld.tSetOrder) {
    if (tRenewedSets.count(szSet) > 0) {
      szOut += "C delete set" + szPrefix + std::string(szSet) + "\n";
    }
  }
  for (const std::string_view szSet : tNew.tSetOrder) {
    const std::string_view szLine = SetLineOf(tNew, szSet);
    if (SetLineOf(tOld, szSet) != szLine || tRenewedSets.count(szSet) > 0) {
      szOut += "C add set" + szPrefix + std::string(szLine.substr(4)) + "\n";
    }
  }
  // New rules stand where the new text puts them: before the next rule that stays, or last.
  for (const std::string_view szChain : tNew.tChainOrder) {
    if (IsBase(tNew, szChain)) {
      continue;
    }
    const std::vector<std::string_view>& tNewRules = RulesOf(tNew, szChain);
    const std::vector<std::size_t>& tKeep = tKeepOf[szChain];
    for (std::size_t iNew = 0; iNew < tNewRules.size(); ++iNew) {
      if (tKeep[iNew] > 0) {
        continue;
      }
      std::string_view szNextKept;
      for (std::size_t iNext = iNew + 1; iNext < tNewRules.size() && szNextKept.empty(); ++iNext) {
        if (tKeep[iNext] > 0) {
          szNextKept = HandlesOf(szChain)[tKeep[iNext] - 1];
        }
      }
      szOut += szNextKept.empty() ? "C add rule" + szPrefix + std::string(szChain) + " "
                                  : "C insert rule" + szPrefix + std::string(szChain) +
                                        " position " + std::string(szNextKept) + " ";
      szOut += tNewRules[iNew];
      szOut += '\n';
      if (tNewRules[iNew].find(" counter") != std::string_view::npos) {
        szOut += "Z " + std::string(szChain) + " " + RowKey(tNewRules[iNew]) + "\n";
      }
    }
  }
  for (const std::string_view szChain : tNew.tChainOrder) {
    if (!IsBase(tNew, szChain) || tKeptChains.count(szChain) > 0) {
      continue;
    }
    szOut += "C add chain" + szPrefix + std::string(szChain) + " { " +
             std::string(tNew.tHeaders.at(szChain)) + " }\n";
    for (const std::string_view szRule : RulesOf(tNew, szChain)) {
      szOut += "C add rule" + szPrefix + std::string(szChain) + " " + std::string(szRule) + "\n";
    }
  }
  return tPlan;
}
