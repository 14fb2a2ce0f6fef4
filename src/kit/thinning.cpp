// The kit's thinning, a snapshot decided as soon as the one after it is read. Rows are
// compared by their place: a snapshot is only thinned when its rules are those of the ones
// before and after it, in the same order, so the last one kept has them too. Counters are
// compared as text (by length, then as text): they run beyond any machine number.
#include "kit/thinning.h"

#include <unordered_set>

#include "accounting/records.h"
#include "logs/log_split.h"

namespace {

bool IsBlank(char cChar) {
  return cChar == ' ' || cChar == '\t' || cChar == '\r' || cChar == '\v' || cChar == '\f';
}

bool AllDigits(std::string_view szText) {
  if (szText.empty()) {
    return false;
  }
  for (const char cChar : szText) {
    if (cChar < '0' || cChar > '9') {
      return false;
    }
  }
  return true;
}

// A rule with its blanks evened out: the columns widen with the counters.
std::string EvenBlanks(std::string_view szRule) {
  std::string szOut;
  for (std::size_t iAt = 0; iAt < szRule.size();) {
    if (IsBlank(szRule[iAt])) {
      while (iAt < szRule.size() && IsBlank(szRule[iAt])) {
        ++iAt;
      }
      if (!szOut.empty() && iAt < szRule.size()) {
        szOut += ' ';
      }
      continue;
    }
    szOut += szRule[iAt++];
  }
  return szOut;
}

bool SameRule(std::string_view szA, std::string_view szB) {
  return szA == szB || EvenBlanks(szA) == EvenBlanks(szB);
}

// a <= b for counters written without leading zeros.
bool NotAbove(std::string_view szA, std::string_view szB) {
  return szA.size() < szB.size() || (szA.size() == szB.size() && szA <= szB);
}

// The header lines must be a chain's title that some rule jumps to and the column titles.
bool PlainHeader(std::string_view szText) {
  const std::size_t iFirstEnd = std::min(szText.find('\n'), szText.size());
  const std::string_view szTitle = szText.substr(0, iFirstEnd);
  if (!szTitle.starts_with("Chain ") || szTitle.find("(0 references)") != std::string_view::npos) {
    return false;
  }
  if (iFirstEnd + 1 >= szText.size()) {
    return true;
  }
  std::string_view szColumns = szText.substr(iFirstEnd + 1);
  szColumns = szColumns.substr(0, std::min(szColumns.find('\n'), szColumns.size()));
  return szColumns.find("pkts") != std::string_view::npos &&
         szColumns.find("bytes") != std::string_view::npos;
}

bool HasRepeats(const std::vector<std::string_view>& tRules) {
  std::unordered_set<std::string> tSeen;
  for (const std::string_view szRule : tRules) {
    if (!tSeen.insert(EvenBlanks(szRule)).second) {
      return true;
    }
  }
  return false;
}

// A count as the listing writes it and the report reads it: digits without a leading zero (the
// text comparisons take none), below 2^64.
bool PlainCount(std::string_view szCount) {
  return AllDigits(szCount) && (szCount.size() == 1 || szCount[0] != '0') &&
         IsByteTokenReadable(szCount);
}

// Reads a snapshot's rows with the report's reader: a line it refuses makes the snapshot odd,
// and so does a row the report refuses (a count it cannot read, a host column that is no
// address: this does not know the direction, so both columns), as the report names its file.
void ReadThinRows(thin_snapshot_t& tSnapshot) {
  std::string& szText = *tSnapshot.pText;
  if (szText.back() != '\n') {
    szText += '\n';
  }
  tSnapshot.bOdd = !PlainHeader(szText);
  // The reader's whole text is one read: every row's views lie in the snapshot's own text.
  log_split_t tSplit;
  StartLogSplit(tSplit);
  const auto fOnRow = [&tSnapshot](const ipt_data_t& tRow) {
    if (!AllDigits(tRow.sPackets) || !PlainCount(tRow.sBytes) || !IsHostKeyReadable(tRow.sSource) ||
        !IsHostKeyReadable(tRow.sDestination)) {
      return false;
    }
    const char* const pRule = tRow.sBytes.data() + tRow.sBytes.size();
    const char* const pEnd = tRow.sRest.data() + tRow.sRest.size();
    tSnapshot.tRules.emplace_back(pRule, static_cast<std::size_t>(pEnd - pRule));
    tSnapshot.tBytes.push_back(tRow.sBytes);
    return true;
  };
  FeedLogSplit(tSplit, szText.data(), szText.size(), fOnRow);
  FinishLogSplit(tSplit, fOnRow);
  tSnapshot.bOdd = tSnapshot.bOdd || tSplit.iRefusedRows > 0;
}

bool SameRules(const thin_snapshot_t& tBefore, const thin_snapshot_t& tAfter) {
  if (tBefore.tRules.size() != tAfter.tRules.size()) {
    return false;
  }
  for (std::size_t iRow = 0; iRow < tAfter.tRules.size(); ++iRow) {
    if (!SameRule(tBefore.tRules[iRow], tAfter.tRules[iRow])) {
      return false;
    }
  }
  return true;
}

// Whether the current snapshot stays, between the one before (odd or not) and tNext.
bool Stays(const thinning_t& tThinning, const thin_snapshot_t& tNext) {
  const thin_snapshot_t& tNow = tThinning.tCurrent;
  if (tThinning.iSnapshots == 1 || tNext.szDay != tNow.szDay || tNow.bOdd || tNow.tRules.empty() ||
      tThinning.bBeforeOdd || tNext.bOdd || !tNow.bSame || !tNext.bSame) {
    return true;
  }
  const std::vector<std::string_view>& tKept = tThinning.tKept.tBytes;
  for (std::size_t iRow = 0; iRow < tNow.tBytes.size(); ++iRow) {
    const std::string_view szNow = tNow.tBytes[iRow];
    if (!NotAbove(szNow, tNext.tBytes[iRow])) {
      return true;
    }
    // A reading that went down from the last one kept: a reset, or the kit's snapshot of 0.
    const std::string_view szBefore = iRow < tKept.size() ? tKept[iRow] : std::string_view();
    if (szBefore != "0" && !(NotAbove(szBefore, szNow) && szNow != "0")) {
      return true;
    }
  }
  return false;
}

}  // namespace

void AddThinSnapshot(thinning_t& tThinning, std::string szName, std::string szText) {
  if (szText.empty()) {
    return;
  }
  thin_snapshot_t tNext;
  tNext.szName = std::move(szName);
  tNext.pText = std::make_unique<std::string>(std::move(szText));
  const std::string_view szBase =
      std::string_view(tNext.szName).substr(tNext.szName.find_last_of('/') + 1);
  tNext.szDay = szBase.size() >= 14 ? szBase.substr(szBase.size() - 14, 8) : szBase;
  ReadThinRows(tNext);
  tNext.bSame = tThinning.iSnapshots >= 1 && SameRules(tThinning.tCurrent, tNext);
  // The same rules as a snapshot without a repeated rule repeat none.
  tNext.bRepeats = (!tNext.bSame || tThinning.tCurrent.bRepeats) && HasRepeats(tNext.tRules);
  tNext.bOdd = tNext.bOdd || tNext.bRepeats;
  if (tThinning.iSnapshots >= 1) {
    const bool bOdd = tThinning.tCurrent.bOdd;
    if (Stays(tThinning, tNext)) {
      tThinning.tKept = std::move(tThinning.tCurrent);
    } else {
      tThinning.szDeletable += tThinning.tCurrent.szName + "\n";
    }
    tThinning.bBeforeOdd = bOdd;
  }
  tThinning.tCurrent = std::move(tNext);
  ++tThinning.iSnapshots;
}
