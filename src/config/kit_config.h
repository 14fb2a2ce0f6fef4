// The collector kit's config file, read as data by one reader: the kit's shell takes its values
// from netreckon-kit, and the report takes its defaults from the same lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Where the kit keeps its config.
constexpr const char* kKitConfigPath = "/etc/netreckon.conf";

// A config file larger than this is no config.
constexpr long long kMaxKitConfigBytes = 1024LL * 1024;

// One KEY=value line of a config.
struct kit_config_entry_t {
  int iLine = 0;
  std::string szKey;
  std::string szValue;
};

// What the report takes from the kit's config: the snapshot directory and the two prefixes,
// with the kit's own defaults for keys the file leaves out.
struct kit_config_t {
  std::string szLogDir = "/var/log/netreckon";
  std::string szInPrefix = "traffic_in_";
  std::string szOutPrefix = "traffic_out_";
};

/// Reads the KEY=value lines of a config's text: blank lines and '#' comments, a leading
/// "export", blanks (spaces and tabs) around '=', a value quoted with " or ' or bare up to a
/// blank, a trailing comment, CRLF line ends. Nothing is run. Returns false for the first
/// malformed line, with its number in iBadLine and the reason (as the kit says it) in
/// szReason: no '=', not a variable name, an unterminated quote, a quote inside a bare value,
/// text after the value, a tab inside a quoted value, or any other control character.
bool ReadKitConfigEntries(std::string_view szText, std::vector<kit_config_entry_t>& tEntries,
                          int& iBadLine, std::string& szReason);

/// True for a key the kit reads.
bool IsKitConfigKey(std::string_view szKey);

/// Reads a config's text for the report's defaults; false with "line N: reason" in szError for
/// a malformed line, as the kit refuses it.
bool ReadKitConfigText(std::string_view szText, kit_config_t& tConfig, std::string& szError);

/// Reads a config file's text whole: a regular file of at most kMaxKitConfigBytes. Returns false
/// with the reason in szError.
bool ReadKitConfigFile(const char* szPath, std::string& szText, std::string& szError);

/// Reads a config file for the report's defaults. Returns false with the reason in szError.
bool ReadKitConfig(const char* szPath, kit_config_t& tConfig, std::string& szError);
