// The kit's planner for iptables: one pass over the lines gathers the tables, then each table
// is planned on its own. Rules are compared without their counters and quotes.
#include "kit/iptables_plan.h"

#include <map>
#include <set>
#include <vector>

namespace {

// The lines of one chain, in order.
using chain_lines_t = std::vector<std::string_view>;

// What one table holds and asks for.
struct plan_table_t {
  bool bWanted = false;
  std::map<std::string_view, chain_lines_t> tWantRules;   // the two chains' wanted rules
  std::map<std::string_view, chain_lines_t> tWantHooks;   // the wanted jumps of each hook chain
  std::set<std::string_view> tHaveChains;                 // of the two chains, those there
  std::map<std::string_view, chain_lines_t> tHaveRules;   // the two chains' rules there
  std::map<std::string_view, chain_lines_t> tChainRules;  // every other chain's rules there
  chain_lines_t tJumps;                                   // the rules there that jump to ours
};

// Everything the pass over the input found.
struct plan_state_t {
  std::map<std::string_view, plan_table_t> tTables;  // by name: filter before security
  // The hook chains in the order their first wanted jump came: (table, chain).
  std::vector<std::pair<std::string_view, std::string_view>> tHooks;
  bool bHasRows = false;
};

// What planning the tables adds up.
struct plan_tally_t {
  std::string szOut;
  std::vector<std::string> tNoted;
  int iMissing = 0;
  int iExtra = 0;
  bool bReset = false;
  bool bRestored = false;
};

bool IsBlank(char cChar) { return cChar == ' ' || cChar == '\t' || cChar == '\n'; }

// The words of a line, split at blanks.
std::vector<std::string_view> Words(std::string_view szLine) {
  std::vector<std::string_view> tWords;
  std::size_t iAt = 0;
  while (iAt < szLine.size()) {
    while (iAt < szLine.size() && IsBlank(szLine[iAt])) {
      ++iAt;
    }
    const std::size_t iStart = iAt;
    while (iAt < szLine.size() && !IsBlank(szLine[iAt])) {
      ++iAt;
    }
    if (iAt > iStart) {
      tWords.push_back(szLine.substr(iStart, iAt - iStart));
    }
  }
  return tWords;
}

std::size_t Digits(std::string_view szText, std::size_t iAt) {
  std::size_t iEnd = iAt;
  while (iEnd < szText.size() && szText[iEnd] >= '0' && szText[iEnd] <= '9') {
    ++iEnd;
  }
  return iEnd - iAt;
}

// The length of " -c PACKETS BYTES" at iAt, or 0.
std::size_t CountersAt(std::string_view szLine, std::size_t iAt) {
  if (szLine.substr(iAt, 4) != " -c ") {
    return 0;
  }
  const std::size_t iPackets = Digits(szLine, iAt + 4);
  if (iPackets == 0 || szLine.substr(iAt + 4 + iPackets, 1) != " ") {
    return 0;
  }
  const std::size_t iBytes = Digits(szLine, iAt + 5 + iPackets);
  return iBytes == 0 ? 0 : 5 + iPackets + iBytes;
}

// A line without its counters.
std::string WithoutCounters(std::string_view szLine) {
  std::string szOut;
  szOut.reserve(szLine.size());
  for (std::size_t iAt = 0; iAt < szLine.size();) {
    const std::size_t iCounters = CountersAt(szLine, iAt);
    if (iCounters > 0) {
      iAt += iCounters;
    } else {
      szOut += szLine[iAt++];
    }
  }
  return szOut;
}

// A line as compared: no counters, no quotes (iptables quotes some comments; names never hold
// a quote or a blank).
std::string Plain(std::string_view szLine) {
  std::string szOut = WithoutCounters(szLine);
  std::erase(szOut, '"');
  return szOut;
}

// The byte count of the first " -c PACKETS BYTES" followed by a blank or the end; empty if none.
std::string_view ByteCount(std::string_view szLine) {
  for (std::size_t iAt = 0; iAt < szLine.size(); ++iAt) {
    const std::size_t iCounters = CountersAt(szLine, iAt);
    if (iCounters == 0 || (iAt + iCounters < szLine.size() && szLine[iAt + iCounters] != ' ')) {
      continue;
    }
    const std::string_view szCounters = szLine.substr(iAt + 4, iCounters - 4);
    return szCounters.substr(szCounters.find(' ') + 1);
  }
  return {};
}

// The chain a rule jumps or goes to; empty if none.
std::string_view Target(std::string_view szLine) {
  const std::vector<std::string_view> tWords = Words(szLine);
  const std::size_t iWords = tWords.size();
  if (iWords >= 2 && (tWords[iWords - 2] == "-j" || tWords[iWords - 2] == "-g")) {
    return tWords[iWords - 1];
  }
  return {};
}

// A rule's text after "-A ".
std::string_view AfterAppend(std::string_view szLine) {
  return szLine.size() > 3 ? szLine.substr(3) : std::string_view();
}

// Whether a rule bears the mark's comment, the whole word: a host may be named "mark.lan".
bool IsMark(std::string_view szRule, std::string_view szMark) {
  const std::string szComment = "--comment " + std::string(szMark);
  for (std::size_t iAt = szRule.find(szComment); iAt != std::string_view::npos;
       iAt = szRule.find(szComment, iAt + 1)) {
    const std::size_t iEnd = iAt + szComment.size();
    if (iEnd == szRule.size() || IsBlank(szRule[iEnd])) {
      return true;
    }
  }
  return false;
}

void Note(plan_tally_t& tTally, const std::string& szText) {
  for (const std::string& szNoted : tTally.tNoted) {
    if (szNoted == szText) {
      return;
    }
  }
  tTally.tNoted.push_back(szText);
  tTally.szOut += "F " + szText + "\n";
}

void ReadLine(plan_state_t& tState, std::string_view szLine,
              const iptables_plan_settings_t& tSettings) {
  const std::vector<std::string_view> tHead = Words(szLine);
  if (tHead.size() < 2 || (tHead[0] != "W" && tHead[0] != "A")) {
    return;
  }
  const std::string_view szTable = tHead[1];
  const std::size_t iSkip = tHead[0].size() + tHead[1].size() + 2;
  const std::string_view szRule = iSkip < szLine.size() ? szLine.substr(iSkip) : std::string_view();
  plan_table_t& tTable = tState.tTables[szTable];
  const std::vector<std::string_view> tWords = Words(szRule);
  const std::string_view szFirst = tWords.empty() ? std::string_view() : tWords[0];
  const std::string_view szChain = tWords.size() < 2 ? std::string_view() : tWords[1];
  const bool bOurs = szChain == tSettings.szInChain || szChain == tSettings.szOutChain;
  if (tHead[0] == "W") {
    tTable.bWanted = true;
    if (szFirst == "-N") {
      return;
    }
    if (bOurs) {
      tTable.tWantRules[szChain].push_back(szRule);
      return;
    }
    chain_lines_t& tHook = tTable.tWantHooks[szChain];
    if (tHook.empty()) {
      tState.tHooks.emplace_back(szTable, szChain);
    }
    tHook.push_back(szRule);
    return;
  }
  if (szFirst == "-N" && bOurs) {
    tTable.tHaveChains.insert(szChain);
    return;
  }
  if (szFirst != "-A") {
    return;
  }
  if (bOurs) {
    tTable.tHaveRules[szChain].push_back(szRule);
    if (!IsMark(szRule, tSettings.szMark)) {
      tState.bHasRows = true;
    }
    return;
  }
  // Every rule of a chain other than ours, in order: the jumps must open their hook chains.
  tTable.tChainRules[szChain].push_back(szRule);
  const std::string_view szTarget = Target(szRule);
  if (szTarget == tSettings.szInChain || szTarget == tSettings.szOutChain) {
    tTable.tJumps.push_back(szRule);
  }
}

// Whether the wanted jumps open each hook chain, in order, and there is no other.
bool JumpsRight(const plan_state_t& tState, std::string_view szTable, const plan_table_t& tTable) {
  if (!tTable.bWanted) {
    return tTable.tJumps.empty();
  }
  bool bRight = true;
  std::size_t iExpected = 0;
  for (const auto& [szHookTable, szHook] : tState.tHooks) {
    if (szHookTable != szTable) {
      continue;
    }
    const chain_lines_t& tWant = tTable.tWantHooks.at(szHook);
    const auto pHave = tTable.tChainRules.find(szHook);
    for (std::size_t iRule = 0; iRule < tWant.size(); ++iRule) {
      const bool bThere = pHave != tTable.tChainRules.end() && iRule < pHave->second.size();
      if (Plain(bThere ? pHave->second[iRule] : std::string_view()) != Plain(tWant[iRule])) {
        bRight = false;
      }
    }
    iExpected += tWant.size();
  }
  return bRight && tTable.tJumps.size() == iExpected;
}

// Plans one of the two chains of a wanted table: each rule there that is wanted stays,
// counters and all (of a rule there twice, the first); the others go: a rule there twice by
// its number, from the last, the others as written; the wanted ones not there are added.
void PlanChain(plan_tally_t& tTally, std::string_view szTable, const plan_table_t& tTable,
               std::string_view szChain, const iptables_plan_settings_t& tSettings) {
  const std::string szT(szTable);
  const std::string szC(szChain);
  const bool bThere = tTable.tHaveChains.contains(szChain);
  if (!bThere) {
    Note(tTally, "chain " + szC + " missing");
    tTally.szOut += "R " + szT + " :" + szC + " - [0:0]\n";
  }
  const auto pWant = tTable.tWantRules.find(szChain);
  const chain_lines_t tNone;
  const chain_lines_t& tWant = pWant != tTable.tWantRules.end() ? pWant->second : tNone;
  const auto pHave = tTable.tHaveRules.find(szChain);
  const chain_lines_t& tHave = pHave != tTable.tHaveRules.end() ? pHave->second : tNone;
  std::map<std::string, int> tLeft;
  std::map<std::string, int> tTimes;
  for (const std::string_view szRule : tWant) {
    ++tLeft[Plain(szRule)];
  }
  for (const std::string_view szRule : tHave) {
    ++tTimes[Plain(szRule)];
  }
  std::vector<std::size_t> tNumbered;
  std::string szLater;
  const std::string_view szKept = tSettings.szKept.empty() ? "1" : tSettings.szKept;
  for (std::size_t iRule = 0; iRule < tHave.size(); ++iRule) {
    const std::string_view szRule = tHave[iRule];
    const std::string szKey = Plain(szRule);
    int& iLeft = tLeft[szKey];
    if (IsMark(szKey, tSettings.szMark) && iLeft > 0 && tSettings.bTrustMark) {
      // Only the kit writes the mark's bytes, anew at every snapshot: any other value came
      // from somewhere else. 0 is a reset (the counters read since are traffic); another
      // value is a restore of saved counters, which must never be billed again.
      const std::string_view szBytes = ByteCount(szRule);
      if (szBytes != szKept) {
        tTally.bReset = true;
        tTally.szOut += "X " + szC + "\n";
        if (szBytes != "0") {
          tTally.bRestored = true;
          tTally.szOut += "Z " + szC + "\n";
        }
      }
      --iLeft;
      continue;
    }
    if (iLeft > 0) {
      --iLeft;
      continue;
    }
    ++tTally.iExtra;
    // A rule there twice is deleted by its number: "-D RULE" would delete its first copy,
    // the one that holds the counts.
    if (tTimes[szKey] > 1) {
      tNumbered.push_back(iRule + 1);
      continue;
    }
    szLater += "R " + szT + " -D " + std::string(AfterAppend(WithoutCounters(szRule))) + "\n";
  }
  // From the last: deleting one renumbers those after it.
  for (auto pNumber = tNumbered.rbegin(); pNumber != tNumbered.rend(); ++pNumber) {
    tTally.szOut.append("R ").append(szT).append(" -D ").append(szC).append(" ");
    tTally.szOut.append(std::to_string(*pNumber)).append("\n");
  }
  tTally.szOut += szLater;
  for (const std::string_view szRule : tWant) {
    const std::string szKey = Plain(szRule);
    int& iLeft = tLeft[szKey];
    if (iLeft == 0) {
      continue;
    }
    --iLeft;
    if (bThere) {
      ++tTally.iMissing;
    }
    if (IsMark(szKey, tSettings.szMark)) {
      tTally.szOut +=
          "R " + szT + " [1:" + std::string(tSettings.szFresh) + "] " + std::string(szRule) + "\n";
      continue;
    }
    tTally.szOut += "R " + szT + " " + std::string(szRule) + "\n";
    tTally.szOut += "N " + std::string(szRule) + "\n";
  }
}

void PlanTable(plan_tally_t& tTally, const plan_state_t& tState, std::string_view szTable,
               const iptables_plan_settings_t& tSettings) {
  const plan_table_t& tTable = tState.tTables.at(szTable);
  const std::string szT(szTable);
  const bool bJumpsRight = JumpsRight(tState, szTable, tTable);
  if (!bJumpsRight) {
    if (!tTable.bWanted) {
      Note(tTally, "chains moved out of the " + szT + " table");
    } else if (tTable.tHaveChains.contains(tSettings.szInChain) &&
               tTable.tHaveChains.contains(tSettings.szOutChain)) {
      Note(tTally, "the jumps to the chains were not in place");
    }
    for (const std::string_view szJump : tTable.tJumps) {
      tTally.szOut +=
          "R " + szT + " -D " + std::string(AfterAppend(WithoutCounters(szJump))) + "\n";
    }
  }
  for (const std::string_view szChain : {tSettings.szInChain, tSettings.szOutChain}) {
    if (tTable.bWanted) {
      PlanChain(tTally, szTable, tTable, szChain, tSettings);
    } else if (tTable.tHaveChains.contains(szChain)) {
      tTally.szOut += "R " + szT + " -F " + std::string(szChain) + "\n";
      tTally.szOut += "R " + szT + " -X " + std::string(szChain) + "\n";
    }
  }
  if (!tTable.bWanted || bJumpsRight) {
    return;
  }
  // Inserted at the top from the last to the first: they end up in order.
  for (auto pHook = tState.tHooks.rbegin(); pHook != tState.tHooks.rend(); ++pHook) {
    if (pHook->first != szTable) {
      continue;
    }
    const chain_lines_t& tWant = tTable.tWantHooks.at(pHook->second);
    const std::size_t iSkip = pHook->second.size() + 4;
    for (auto pRule = tWant.rbegin(); pRule != tWant.rend(); ++pRule) {
      tTally.szOut += "R " + szT + " -I " + std::string(pHook->second) + " 1 " +
                      std::string(iSkip < pRule->size() ? pRule->substr(iSkip) : "") + "\n";
    }
  }
}

// The length of the listing line at the start of szInput: up to the first line break outside
// a quoted string. A comment may hold a line break, and what follows it is no rule: a LAN
// client's text must never add rules or shift the numbers of ours. A quote never closed is no
// listing iptables prints: that line and every later one end at their first line break (so
// the input is scanned once more at most).
std::size_t LineLength(std::string_view szInput, bool& bQuotesClose) {
  const std::size_t iBreak = std::min(szInput.find('\n'), szInput.size());
  if (!bQuotesClose) {
    return iBreak;
  }
  bool bQuoted = false;
  for (std::size_t iAt = 0; iAt < szInput.size(); ++iAt) {
    const char cChar = szInput[iAt];
    if (!bQuoted && cChar == '\n') {
      return iAt;
    }
    if (bQuoted && cChar == '\\') {
      ++iAt;
    } else if (cChar == '"') {
      bQuoted = !bQuoted;
    }
  }
  bQuotesClose = !bQuoted;
  return bQuoted ? iBreak : szInput.size();
}

std::string Rules(int iCount) { return std::to_string(iCount) + (iCount > 1 ? " rules" : " rule"); }

}  // namespace

std::string PlanIptables(std::string_view szInput, const iptables_plan_settings_t& tSettings) {
  plan_state_t tState;
  bool bQuotesClose = true;
  while (!szInput.empty()) {
    // The wanted lines are the kit's own, a rule a line; only the listing's may hold a quoted
    // line break.
    const std::size_t iBreak = szInput.starts_with("A ")
                                   ? LineLength(szInput, bQuotesClose)
                                   : std::min(szInput.find('\n'), szInput.size());
    ReadLine(tState, szInput.substr(0, iBreak), tSettings);
    szInput.remove_prefix(iBreak < szInput.size() ? iBreak + 1 : iBreak);
  }
  plan_tally_t tTally;
  tTally.szOut = tState.bHasRows ? "E\n" : "G\n";
  for (const auto& tTable : tState.tTables) {
    PlanTable(tTally, tState, tTable.first, tSettings);
  }
  if (tTally.iMissing > 0) {
    Note(tTally, Rules(tTally.iMissing) + " missing");
  }
  if (tTally.iExtra > 0) {
    Note(tTally, Rules(tTally.iExtra) + " not asked for");
  }
  if (tTally.bRestored) {
    Note(tTally,
         "saved counters were restored (a restore or a reload): every counter set to 0, not "
         "billed again");
  } else if (tTally.bReset) {
    Note(tTally, "the counters were reset (iptables -Z, a restore or a reload)");
  }
  return tTally.szOut;
}
