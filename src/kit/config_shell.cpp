// The kit's config for its shell, from the one reader of the config's grammar.
#include "kit/config_shell.h"

#include <vector>

#include "config/kit_config.h"

std::string QuoteForShell(std::string_view szText) {
  std::string szQuoted = "'";
  for (const char cChar : szText) {
    if (cChar == '\'') {
      szQuoted += "'\\''";
    } else {
      szQuoted += cChar;
    }
  }
  szQuoted += '\'';
  return szQuoted;
}

std::string FormatConfigForShell(std::string_view szPath, std::string_view szText) {
  std::vector<kit_config_entry_t> tEntries;
  int iBadLine = 0;
  std::string szReason;
  const std::string szWhere = std::string(szPath) + ":";
  if (!ReadKitConfigEntries(szText, tEntries, iBadLine, szReason)) {
    return "die " + QuoteForShell(szWhere + std::to_string(iBadLine) + ": " + szReason) + "\n";
  }
  std::string szShell;
  for (const kit_config_entry_t& tEntry : tEntries) {
    if (IsKitConfigKey(tEntry.szKey)) {
      szShell += tEntry.szKey + "=" + QuoteForShell(tEntry.szValue) + "\n";
    } else {
      szShell += "warn " +
                 QuoteForShell(szWhere + std::to_string(tEntry.iLine) + ": unknown key " +
                               tEntry.szKey + " (ignored)") +
                 "\n";
    }
  }
  return szShell;
}
