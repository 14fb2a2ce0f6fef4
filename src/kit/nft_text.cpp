// The nftables backend's small readings, line by line as nft prints them.
#include "kit/nft_text.h"

#include <algorithm>
#include <map>
#include <vector>

#include "kit/iptables_listing.h"
#include "kit/text_lines.h"

namespace {

bool IsSpace(char cChar) {
  return cChar == ' ' || cChar == '\t' || cChar == '\r' || cChar == '\v' || cChar == '\f';
}

std::size_t SkipDigits(std::string_view szText, std::size_t iAt) {
  while (iAt < szText.size() && szText[iAt] >= '0' && szText[iAt] <= '9') {
    ++iAt;
  }
  return iAt;
}

// The first "counter packets N bytes N" (N any digits, none included) as "counter".
std::string WithoutCounter(std::string_view szLine) {
  constexpr std::string_view kPackets = "counter packets ";
  constexpr std::string_view kBytes = " bytes ";
  for (std::size_t iAt = szLine.find(kPackets); iAt != std::string_view::npos;
       iAt = szLine.find(kPackets, iAt + 1)) {
    const std::size_t iPacketsEnd = SkipDigits(szLine, iAt + kPackets.size());
    if (szLine.substr(iPacketsEnd, kBytes.size()) != kBytes) {
      continue;
    }
    const std::size_t iEnd = SkipDigits(szLine, iPacketsEnd + kBytes.size());
    return std::string(szLine.substr(0, iAt)) + "counter" + std::string(szLine.substr(iEnd));
  }
  return std::string(szLine);
}

// a > b for counters written without leading zeros.
bool More(std::string_view szA, std::string_view szB) {
  return szA.size() != szB.size() ? szA.size() > szB.size() : szA > szB;
}

// The "set full" rows of a snapshot: subnet (source and destination) to bytes.
std::map<std::string, std::string_view> SetFullRows(std::string_view szSnapshot) {
  std::map<std::string, std::string_view> tRows;
  int iLine = 0;
  ForEachLine(szSnapshot, [&](std::string_view szLine) {
    if (++iLine <= 2 || szLine.find("/* not counted: set full */") == std::string_view::npos) {
      return;
    }
    const std::vector<std::string_view> tWords = SplitWords(szLine);
    if (tWords.size() < 8) {
      return;
    }
    const std::size_t iLast = tWords.size() - 1;
    tRows[std::string(tWords[iLast - 7]) + " " + std::string(tWords[iLast - 6])] = tWords[1];
  });
  return tRows;
}

}  // namespace

std::string NftStructure(std::string_view szListing) {
  std::string szOut;
  bool bElements = false;
  ForEachLine(szListing, [&](std::string_view szLine) {
    std::size_t iStart = 0;
    while (iStart < szLine.size() && IsSpace(szLine[iStart])) {
      ++iStart;
    }
    const std::string szBare = WithoutCounter(szLine.substr(iStart));
    bElements = bElements || szBare.starts_with("elements = {");
    if (bElements) {
      bElements = !szBare.ends_with('}');
      return;
    }
    szOut += szBare + "\n";
  });
  return szOut;
}

bool SetFilled(std::string_view szPrevious, std::string_view szNew) {
  const std::map<std::string, std::string_view> tBefore = SetFullRows(szPrevious);
  for (const auto& [szSubnet, szBytes] : SetFullRows(szNew)) {
    const auto iBefore = tBefore.find(szSubnet);
    if (More(szBytes, iBefore == tBefore.end() ? std::string_view("0") : iBefore->second)) {
      return true;
    }
  }
  return false;
}

std::string ReplaceMarks(std::string_view szListing, const nft_marks_request_t& tRequest) {
  const std::string szHandle = "comment \"" + std::string(tRequest.szMark) + "\" # handle ";
  std::string szChain;
  std::string szOut;
  ForEachLine(szListing, [&](std::string_view szLine) {
    const std::vector<std::string_view> tWords = SplitWords(szLine);
    if (tWords.empty()) {
      return;
    }
    if (szLine.substr(std::min(szLine.find_first_not_of(" \t"), szLine.size()))
            .starts_with("chain ")) {
      szChain = tWords.size() >= 2 ? std::string(tWords[1]) : std::string();
      return;
    }
    if ((szChain == tRequest.szInChain || szChain == tRequest.szOutChain) &&
        szLine.find(szHandle) != std::string_view::npos) {
      szOut += "replace rule inet " + std::string(tRequest.szTable) + " " + szChain + " handle " +
               std::string(tWords.back()) + " meta length 0-19 counter packets 1 bytes " +
               std::string(tRequest.szFresh) + " comment \"" + std::string(tRequest.szMark) +
               "\"\n";
    }
  });
  return szOut;
}

std::string ZeroRows(std::string_view szSnapshot) {
  std::string szOut;
  int iLine = 0;
  ForEachLine(szSnapshot, [&](std::string_view szLine) {
    szOut += ++iLine <= 2 ? std::string(szLine) : ZeroRow(szLine);
    szOut += '\n';
  });
  return szOut;
}
