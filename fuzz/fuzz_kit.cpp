// Fuzz target: what the kit's helper reads from files others may have written or influenced
// (a config, HOSTS entries, a listing whose comments and addresses a LAN client partly
// chooses, an nft listing whose set elements they make). The first byte picks the reader; each
// must end cleanly and keep its promise: the config's shell text is only assignments of known
// keys, warnings and errors, each argument one single-quoted word; every host line reads back
// as itself; every series line is one line; every plan line is of a kind the shell reads;
// thinning names only snapshots it was given, each once, never the last; a converted nft
// listing is a title, the column titles and rows of the listing format; an nft plan is "C "
// and "Z " lines; a chain's snapshot is lines of its listing, some as 0, never the mark's;
// restore input is sections that end in COMMIT; a mark's number is digits; the snapshots
// chosen are the prefix's, in order; the events kept, the structure compared and the marks'
// commands are lines of what was read or commands of one form.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "addresses/host_entry.h"
#include "config/kit_config.h"
#include "kit/config_shell.h"
#include "kit/hosts.h"
#include "kit/iptables_listing.h"
#include "kit/iptables_plan.h"
#include "kit/metrics.h"
#include "kit/nft_listing.h"
#include "kit/nft_plan.h"
#include "kit/nft_text.h"
#include "kit/snapshot_names.h"
#include "kit/text_lines.h"
#include "kit/thinning.h"

namespace {

// One word in single quotes, a quote inside written '\'': the shell runs nothing of it.
bool IsQuotedWord(std::string_view szText) {
  std::size_t iAt = 0;
  while (iAt < szText.size()) {
    // A quote inside: the quoted part ends, \' is the quote, a new quoted part begins.
    if (iAt > 0 && szText.substr(iAt, 2) == "\\'") {
      iAt += 2;
      continue;
    }
    if (szText[iAt] != '\'') {
      return false;
    }
    const std::size_t iClose = szText.find('\'', iAt + 1);
    if (iClose == std::string_view::npos) {
      return false;
    }
    iAt = iClose + 1;
  }
  return !szText.empty();
}

void CheckConfigShell(std::string_view szText) {
  std::string_view szShell;
  const std::string szOut = FormatConfigForShell("c", szText);
  szShell = szOut;
  while (!szShell.empty()) {
    const std::size_t iBreak = szShell.find('\n');
    if (iBreak == std::string_view::npos) {
      __builtin_trap();
    }
    const std::string_view szLine = szShell.substr(0, iBreak);
    szShell.remove_prefix(iBreak + 1);
    std::string_view szWord;
    if (szLine.starts_with("warn ") || szLine.starts_with("die ")) {
      szWord = szLine.substr(szLine.find(' ') + 1);
    } else {
      const std::size_t iEquals = szLine.find('=');
      if (iEquals == std::string_view::npos || !IsKitConfigKey(szLine.substr(0, iEquals))) {
        __builtin_trap();
      }
      szWord = szLine.substr(iEquals + 1);
    }
    if (!IsQuotedWord(szWord)) {
      __builtin_trap();
    }
  }
}

void CheckHosts(std::string_view szText) {
  const host_plan_t tPlan = PlanHosts(szText);
  std::string_view szLines = tPlan.szLines;
  while (!szLines.empty()) {
    const std::size_t iBreak = szLines.find('\n');
    std::string_view szLine = szLines.substr(0, iBreak);
    szLines.remove_prefix(iBreak + 1);
    szLine.remove_prefix(2);
    const std::string_view szAddress = szLine.substr(0, szLine.find(' '));
    host_entry_t tEntry;
    std::string szReason;
    if (!ReadHostEntry(szAddress, tEntry, szReason) || tEntry.szEntry != szAddress) {
      __builtin_trap();
    }
  }
}

void CheckMetrics(std::string_view szText) {
  metrics_t tMetrics;
  ReadMetricListing(szText, 0, tMetrics);
  ReadMetricListing(szText, 1, tMetrics);
  const std::string szOut = FormatMetrics(tMetrics, 0, true);
  for (std::size_t iAt = 0; iAt < szOut.size();) {
    const std::size_t iBreak = szOut.find('\n', iAt);
    const std::string_view szLine(szOut.data() + iAt, iBreak - iAt);
    if (!szLine.starts_with("# ") && !szLine.starts_with("netreckon_")) {
      __builtin_trap();
    }
    iAt = iBreak + 1;
  }
}

void CheckPlan(std::string_view szText) {
  iptables_plan_settings_t tSettings;
  tSettings.szInChain = "IN";
  tSettings.szOutChain = "OUT";
  tSettings.szMark = "mark";
  tSettings.szFresh = "7";
  const std::string szPlan = PlanIptables(szText, tSettings);
  // A listed rule whose quoted comment holds a line break (only root can write one) is written
  // back whole, over lines: iptables-restore then refuses the plan and the run stops.
  if (szText.find('"') != std::string_view::npos) {
    return;
  }
  std::string_view szLines = szPlan;
  while (!szLines.empty()) {
    const std::size_t iBreak = szLines.find('\n');
    if (iBreak == std::string_view::npos) {
      __builtin_trap();
    }
    const std::string_view szLine = szLines.substr(0, iBreak);
    szLines.remove_prefix(iBreak + 1);
    const bool bMark = szLine == "G" || szLine == "E";
    const bool bKind = szLine.size() >= 2 && szLine[1] == ' ' &&
                       std::string_view("RNFXZ").find(szLine[0]) != std::string_view::npos;
    if (!bMark && !bKind) {
      __builtin_trap();
    }
  }
}

// The listing, then after a NUL byte the previous snapshot; the rows that start from 0 fixed.
void CheckNftListing(std::string_view szText) {
  const std::size_t iBreak = std::min(szText.find('\0'), szText.size());
  const std::string_view szPrevious = szText.substr(std::min(iBreak + 1, szText.size()));
  for (const bool bOutgoing : {false, true}) {
    const nft_listing_request_t tRequest = {"C", bOutgoing, "m", szPrevious,
                                            "C !full:10.0.0.0/24\nC_rpf 10.0.0.1\n"};
    const std::string szOut = ConvertNftListing(szText.substr(0, iBreak), tRequest);
    std::size_t iLine = 0;
    for (std::size_t iAt = 0; iAt < szOut.size(); ++iLine) {
      const std::size_t iEnd = szOut.find('\n', iAt);
      if (iEnd == std::string::npos) {
        __builtin_trap();
      }
      const std::string_view szLine(szOut.data() + iAt, iEnd - iAt);
      if ((iLine == 0 && !szLine.starts_with("Chain C (")) ||
          (iLine == 1 && !szLine.starts_with("    pkts      bytes target")) ||
          (iLine > 1 && szLine.find(" all  --  *      *       ") == std::string_view::npos)) {
        __builtin_trap();
      }
      iAt = iEnd + 1;
    }
  }
}

// Snapshots split at byte 1, named in time order, two to a day.
void CheckThinning(std::string_view szText) {
  thinning_t tThinning;
  std::string szNames;
  int iSnapshots = 0;
  std::string szLast;
  while (iSnapshots < 40) {
    const std::size_t iSplit = std::min(szText.find('\x01'), szText.size());
    std::string szName = "traffic_in_202611" + std::to_string(10 + iSnapshots / 2) + "0000" +
                         std::to_string(10 + iSnapshots % 2);
    szNames += szName + "\n";
    szLast = szName;
    AddThinSnapshot(tThinning, szName, std::string(szText.substr(0, iSplit)));
    ++iSnapshots;
    if (iSplit == szText.size()) {
      break;
    }
    szText.remove_prefix(iSplit + 1);
  }
  std::string_view szGone = tThinning.szDeletable;
  std::size_t iFrom = 0;
  while (!szGone.empty()) {
    const std::size_t iBreak = szGone.find('\n');
    const std::string szName(szGone.substr(0, iBreak));
    szGone.remove_prefix(iBreak + 1);
    const std::size_t iAt = szNames.find(szName + "\n", iFrom);
    if (iBreak == std::string_view::npos || iAt == std::string::npos || szName == szLast) {
      __builtin_trap();
    }
    iFrom = iAt + szName.size() + 1;
  }
}

// The text loaded last, then after a NUL byte the text wanted, then after another the listing.
void CheckNftPlan(std::string_view szText) {
  std::string_view szParts[3];
  for (std::string_view& szPart : szParts) {
    const std::size_t iBreak = std::min(szText.find('\0'), szText.size());
    szPart = szText.substr(0, iBreak);
    szText.remove_prefix(std::min(iBreak + 1, szText.size()));
  }
  const nft_plan_t tPlan = PlanNftChange("t", szParts[0], szParts[1], szParts[2]);
  if (tPlan.bReplace && !tPlan.szLines.empty()) {
    __builtin_trap();
  }
  for (std::size_t iAt = 0; iAt < tPlan.szLines.size();) {
    const std::size_t iEnd = tPlan.szLines.find('\n', iAt);
    if (iEnd == std::string::npos ||
        (tPlan.szLines.compare(iAt, 2, "C ") != 0 && tPlan.szLines.compare(iAt, 2, "Z ") != 0)) {
      __builtin_trap();
    }
    iAt = iEnd + 1;
  }
}

// Whether every line of szOut is, in order, a line of szIn or that line changed by fChange.
template <typename change_t>
bool LinesOf(std::string_view szOut, std::string_view szIn, change_t&& fChange) {
  std::vector<std::string> tIn;
  ForEachLine(szIn, [&tIn](std::string_view szLine) { tIn.emplace_back(szLine); });
  std::size_t iNext = 0;
  bool bAll = true;
  ForEachLine(szOut, [&](std::string_view szLine) {
    while (iNext < tIn.size() && tIn[iNext] != szLine && fChange(tIn[iNext]) != szLine) {
      ++iNext;
    }
    bAll = bAll && iNext < tIn.size();
    ++iNext;
  });
  return bAll && (szOut.empty() || szOut.back() == '\n');
}

// The listing, then after a NUL byte the rules that start from 0.
void CheckIptablesTexts(std::string_view szText) {
  const std::size_t iBreak = std::min(szText.find('\0'), szText.size());
  const std::string_view szListing = szText.substr(0, iBreak);
  const std::string_view szZero = szText.substr(std::min(iBreak + 1, szText.size()));
  const std::string szOut = WriteChainListing(szListing, "C", "m", true, szZero);
  std::size_t iLine = 0;
  bool bMark = false;
  ForEachLine(szOut, [&](std::string_view szLine) {
    bMark = bMark || (++iLine > 2 && szLine.find("/* m */") != std::string_view::npos);
  });
  if (bMark || !LinesOf(szOut, szListing, ZeroRow)) {
    __builtin_trap();
  }
  const std::string szRestore = WriteRestoreInput(szListing);
  const std::string szNumber = FindMarkNumber(szListing, "C", "m");
  if ((!szRestore.empty() && !szRestore.ends_with("COMMIT\n")) ||
      szNumber.find_first_not_of("0123456789") != std::string::npos || szNumber == "0") {
    __builtin_trap();
  }
}

// A listing or names, then after a NUL byte a second snapshot.
void CheckNftTexts(std::string_view szText) {
  const std::size_t iBreak = std::min(szText.find('\0'), szText.size());
  const std::string_view szFirst = szText.substr(0, iBreak);
  const std::string_view szSecond = szText.substr(std::min(iBreak + 1, szText.size()));
  const auto fSame = [](std::string_view szLine) { return std::string(szLine); };
  const std::string szNames = SelectSnapshots(szFirst, "p_", "");
  std::string szLast;
  bool bOrdered = true;
  ForEachLine(szNames, [&](std::string_view szName) {
    bOrdered = bOrdered && szName.starts_with("p_") && szName.size() == 16 && szLast <= szName;
    szLast = szName;
  });
  bool bMarks = true;
  ForEachLine(ReplaceMarks(szFirst, {"t", "I", "O", "m", "7"}), [&bMarks](std::string_view szLine) {
    bMarks = bMarks && (szLine.starts_with("replace rule inet t I handle ") ||
                        szLine.starts_with("replace rule inet t O handle "));
  });
  bool bBare = true;
  ForEachLine(NftStructure(szFirst), [&bBare](std::string_view szLine) {
    bBare = bBare && !szLine.starts_with(' ') && !szLine.starts_with('\t');
  });
  if (!bOrdered || !bMarks || !bBare || SetFilled(szSecond, szSecond) ||
      !LinesOf(KeepEvents(szFirst, "2026"), szFirst, fSame) ||
      !LinesOf(ZeroRows(szSecond), szSecond, ZeroRow)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  if (iSize == 0) {
    return 0;
  }
  const std::string_view szText(reinterpret_cast<const char*>(pData) + 1, iSize - 1);
  // '0' picks the config, '1' the hosts, '2' a listing, '3' a plan, '4' thinning, '5' an nft
  // listing, '6' an nft plan, '7' the iptables backend's texts, '8' the nftables backend's and
  // the log folder's, as the seeds begin.
  switch (static_cast<unsigned char>(pData[0] - '0') % 9) {
    case 0: CheckConfigShell(szText); break;
    case 1: CheckHosts(szText); break;
    case 2: CheckMetrics(szText); break;
    case 3: CheckPlan(szText); break;
    case 4: CheckThinning(szText); break;
    case 5: CheckNftListing(szText); break;
    case 6: CheckNftPlan(szText); break;
    case 7: CheckIptablesTexts(szText); break;
    default: CheckNftTexts(szText); break;
  }
  return 0;
}
