// Fuzz target: what the kit's helper reads from files others may have written or influenced
// (a config, HOSTS entries, a listing whose comments and addresses a LAN client partly
// chooses). The first byte picks the reader; each must end cleanly and keep its promise: the
// config's shell text is only assignments of known keys, warnings and errors, each argument
// one single-quoted word; every host line reads back as itself; every series line is one line.
#include <cstdint>
#include <string>
#include <string_view>

#include "addresses/host_entry.h"
#include "config/kit_config.h"
#include "kit/config_shell.h"
#include "kit/hosts.h"
#include "kit/metrics.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize) {
  if (iSize == 0) {
    return 0;
  }
  const std::string_view szText(reinterpret_cast<const char*>(pData) + 1, iSize - 1);
  switch (pData[0] % 3) {
    case 0: CheckConfigShell(szText); break;
    case 1: CheckHosts(szText); break;
    default: CheckMetrics(szText); break;
  }
  return 0;
}
