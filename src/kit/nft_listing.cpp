// The nftables backend's snapshots, converted from nft's listing.
#include "kit/nft_listing.h"

#include <unordered_set>
#include <vector>

#include "kit/nft_words.h"

namespace {

// A row of a discovered host: its set, its element and counters.
struct nft_element_t {
  std::string_view szSet;
  std::string_view szAddress;
  std::string_view szPackets;
  std::string_view szBytes;
};

// The rows written so far and the keys they hold.
struct nft_rows_t {
  std::string szRows;
  std::unordered_set<std::string> tSeen;
};

void PadLeft(std::string& szOut, std::string_view szText, std::size_t iWidth) {
  szOut.append(iWidth > szText.size() ? iWidth - szText.size() : 0, ' ');
  szOut += szText;
}

void PadRight(std::string& szOut, std::string_view szText, std::size_t iWidth) {
  szOut += szText;
  szOut.append(iWidth > szText.size() ? iWidth - szText.size() : 0, ' ');
}

// A key without its "!CAUSE:" (a not-counted row's).
std::string_view BareKey(std::string_view szKey) {
  if (szKey.size() < 3 || szKey[0] != '!') {
    return szKey;
  }
  std::size_t iAt = 1;
  while (iAt < szKey.size() && szKey[iAt] >= 'a' && szKey[iAt] <= 'z') {
    ++iAt;
  }
  return iAt > 1 && iAt < szKey.size() && szKey[iAt] == ':' ? szKey.substr(iAt + 1) : szKey;
}

// One row in the columns "iptables -L -v -n -x" prints.
void AddRow(nft_rows_t& tRows, bool bOutgoing, std::string_view szKey, std::string_view szPackets,
            std::string_view szBytes, std::string_view szComment) {
  const std::string_view szAny =
      BareKey(szKey).find(':') != std::string_view::npos ? "::/0" : "0.0.0.0/0";
  std::string& szOut = tRows.szRows;
  PadLeft(szOut, szPackets, 8);
  szOut += ' ';
  PadLeft(szOut, szBytes, 8);
  szOut += "            all  --  *      *       ";
  PadRight(szOut, bOutgoing ? szKey : szAny, 20);
  szOut += ' ';
  PadRight(szOut, bOutgoing ? szAny : szKey, 20);
  if (!szComment.empty()) {
    szOut += " /* ";
    szOut += szComment;
    szOut += " */";
  }
  szOut += '\n';
  tRows.tSeen.emplace(szKey);
}

// Whether a line ends in a jump to the chain ("jump CHAIN" alone or after a blank).
bool JumpsTo(std::string_view szLine, std::string_view szChain) {
  const std::string szJump = "jump " + std::string(szChain);
  return szLine.ends_with(szJump) &&
         (szLine.size() == szJump.size() || szLine[szLine.size() - szJump.size() - 1] == ' ');
}

// The set a rule fills with /64 keys: "update @CHAIN_v6_NAME " and the mask, else empty.
std::string_view PrefixSetOf(std::string_view szLine, std::string_view szChain) {
  if (szLine.find("& ffff:ffff:ffff:ffff::") == std::string_view::npos) {
    return {};
  }
  const std::string szUpdate = "update @" + std::string(szChain) + "_v6_";
  for (std::size_t iAt = szLine.find(szUpdate); iAt != std::string_view::npos;
       iAt = szLine.find(szUpdate, iAt + 1)) {
    std::size_t iEnd = iAt + szUpdate.size();
    while (iEnd < szLine.size() &&
           ((szLine[iEnd] >= '0' && szLine[iEnd] <= '9') ||
            (szLine[iEnd] >= 'a' && szLine[iEnd] <= 'f') || szLine[iEnd] == '_')) {
      ++iEnd;
    }
    if (iEnd > iAt + szUpdate.size() && iEnd < szLine.size() && szLine[iEnd] == ' ') {
      return szLine.substr(iAt + 8, iEnd - iAt - 8);
    }
  }
  return {};
}

// A rule's counter: the word after "counter packets" (iWhich 2) or after its "bytes" (4). A
// word "packets" may come before it ("limit rate ... burst 64 packets").
std::string_view CounterOf(const std::vector<std::string_view>& tWords, std::size_t iWhich) {
  for (std::size_t iWord = 0; iWord + 4 < tWords.size(); ++iWord) {
    if (tWords[iWord] == "counter" && tWords[iWord + 1] == "packets" &&
        tWords[iWord + 3] == "bytes") {
      return tWords[iWord + iWhich];
    }
  }
  return {};
}

// The text of a rule's comment at the end of its line, quotes taken off.
std::string_view CommentOf(std::string_view szLine) {
  const std::size_t iAt = szLine.find("comment \"");
  if (iAt == std::string_view::npos || szLine.back() != '"' || iAt + 8 >= szLine.size() - 1) {
    return {};
  }
  return szLine.substr(iAt + 9, szLine.size() - iAt - 10);
}

// The key of a not-counted rule's row: "!CAUSE:SUBNET", apart from every host's.
std::string RowKey(std::string_view szAddress, std::string_view szComment) {
  const struct {
    std::string_view szComment;
    std::string_view szCause;
  } kCauses[] = {
      {"not counted: set full", "!full:"},
      {"not counted: unknown host", "!unknown:"},
      {"not counted: too many addresses", "!limit:"},
      {"not counted: spoofed source", "!spoofed:"},
  };
  for (const auto& tCause : kCauses) {
    if (szComment == tCause.szComment) {
      return std::string(tCause.szCause) + std::string(szAddress);
    }
  }
  return std::string(szAddress);
}

// A chain's rows: its own, and for the outgoing one the checking chain's.
bool IsChainOf(std::string_view szName, const nft_listing_request_t& tRequest) {
  return szName == tRequest.szChain ||
         (tRequest.bOutgoing && szName.size() == tRequest.szChain.size() + 4 &&
          szName.starts_with(tRequest.szChain) && szName.ends_with("_rpf"));
}

// Hosts the previous snapshot read above 0 that are gone now (a table set up again): 0.
void AddGoneHosts(nft_rows_t& tRows, const nft_listing_request_t& tRequest) {
  int iLine = 0;
  ForEachNftLine(tRequest.szPrevious, [&](std::string_view szOld) {
    if (++iLine <= 2) {
      return;
    }
    const std::vector<std::string_view> tWords = SplitNftWords(szOld);
    const std::size_t iCount = tWords.size();
    if (iCount < 8 || tWords[1] == "0") {
      return;
    }
    // The address stands last (incoming) or before it; with a comment, before the comment.
    std::size_t iEnd = iCount;
    if (tWords[iCount - 1] == "*/") {
      iEnd = 0;
      while (iEnd < iCount && tWords[iEnd] != "/*") {
        ++iEnd;
      }
    }
    const std::size_t iBack = tRequest.bOutgoing ? 2 : 1;
    const std::string_view szKey = iEnd >= iBack ? tWords[iEnd - iBack] : std::string_view();
    if (tRows.tSeen.count(std::string(szKey)) > 0 || szKey == "0.0.0.0/0" || szKey == "::/0") {
      return;
    }
    AddRow(tRows, tRequest.bOutgoing, szKey, "0", "0", "");
  });
}

}  // namespace

std::string ConvertNftListing(std::string_view szListing, const nft_listing_request_t& tRequest) {
  std::unordered_set<std::string> tStarts;
  ForEachNftLine(tRequest.szStarts, [&](std::string_view szLine) {
    const std::vector<std::string_view> tWords = SplitNftWords(szLine);
    if (tWords.size() == 2 && IsChainOf(tWords[0], tRequest)) {
      tStarts.emplace(tWords[1]);
    }
  });
  const std::string szV4 = std::string(tRequest.szChain) + "_v4_";
  const std::string szV6 = std::string(tRequest.szChain) + "_v6_";
  const std::string szMarkComment = "comment \"" + std::string(tRequest.szMark) + "\"";
  nft_rows_t tRows;
  std::vector<nft_element_t> tElements;
  std::unordered_set<std::string_view> tPrefixSets;
  std::string_view szSet;
  bool bInChain = false;
  bool bInSet = false;
  bool bElements = false;
  int iReferences = 0;
  ForEachNftLine(szListing, [&](std::string_view szRaw) {
    std::string_view szLine = TrimNftIndent(szRaw);
    if (szLine.starts_with("chain ")) {
      const std::vector<std::string_view> tWords = SplitNftWords(szLine);
      bInChain = IsChainOf(tWords.size() > 1 ? tWords[1] : "", tRequest);
      return;
    }
    if (szLine.starts_with("set ")) {
      const std::vector<std::string_view> tWords = SplitNftWords(szLine);
      szSet = tWords.size() > 1 ? tWords[1] : "";
      bInSet = szSet.starts_with(szV4) || szSet.starts_with(szV6);
      return;
    }
    if (JumpsTo(szLine, tRequest.szChain)) {
      ++iReferences;
    }
    // Set elements, over as many lines as nft wraps them to.
    if (bInSet && szLine.starts_with("elements = {")) {
      bElements = true;
      szLine.remove_prefix(12);
      szLine.remove_prefix(std::min(szLine.find_first_not_of(' '), szLine.size()));
    }
    if (bInSet && bElements) {
      const bool bClosing = szLine.ends_with('}');
      if (bClosing) {
        szLine.remove_suffix(1);
        while (szLine.ends_with(' ')) {
          szLine.remove_suffix(1);
        }
      }
      while (!szLine.empty()) {
        const std::size_t iComma = std::min(szLine.find(','), szLine.size());
        const std::string_view szItem = szLine.substr(0, iComma);
        szLine.remove_prefix(iComma);
        if (!szLine.empty()) {
          szLine.remove_prefix(1);
          szLine.remove_prefix(std::min(szLine.find_first_not_of(' '), szLine.size()));
        }
        if (szItem.empty()) {
          continue;
        }
        const std::vector<std::string_view> tWords = SplitNftWords(szItem);
        tElements.push_back({szSet, tWords.empty() ? std::string_view() : tWords[0],
                             NftWordAfter(tWords, "packets"), NftWordAfter(tWords, "bytes")});
      }
      if (bClosing) {
        bElements = false;
        bInSet = false;
      }
      return;
    }
    // The rule that fills an IPv6 set says whether its elements are addresses or /64 prefixes.
    if (bInChain) {
      const std::string_view szPrefixSet = PrefixSetOf(szLine, tRequest.szChain);
      if (!szPrefixSet.empty()) {
        tPrefixSets.insert(szPrefixSet);
      }
    }
    if (szLine == "}") {
      bInChain = false;
      bInSet = false;
      return;
    }
    if (!bInChain || szLine.find(" counter packets ") == std::string_view::npos ||
        szLine.find(szMarkComment) != std::string_view::npos) {
      return;
    }
    const std::vector<std::string_view> tWords = SplitNftWords(szLine);
    const std::string_view szAddress = NftWordAfter(tWords, tRequest.bOutgoing ? "saddr" : "daddr");
    if (szAddress.empty()) {
      return;
    }
    const std::string_view szComment = CommentOf(szLine);
    const std::string szKey = RowKey(szAddress, szComment);
    if (tStarts.count(szKey) > 0) {
      AddRow(tRows, tRequest.bOutgoing, szKey, "0", "0", szComment);
    } else {
      AddRow(tRows, tRequest.bOutgoing, szKey, CounterOf(tWords, 2), CounterOf(tWords, 4),
             szComment);
    }
  });
  for (const nft_element_t& tElement : tElements) {
    std::string szKey(tElement.szAddress);
    if (tPrefixSets.count(tElement.szSet) > 0 && szKey.find(':') != std::string::npos) {
      szKey += "/64";
    }
    AddRow(tRows, tRequest.bOutgoing, szKey, tElement.szPackets, tElement.szBytes, "");
  }
  if (!tRequest.szPrevious.empty()) {
    AddGoneHosts(tRows, tRequest);
  }
  return "Chain " + std::string(tRequest.szChain) + " (" + std::to_string(iReferences) +
         " references)\n"
         "    pkts      bytes target     prot opt in     out     source               "
         "destination         \n" +
         tRows.szRows;
}
