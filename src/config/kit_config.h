// The collector kit's config file, read for the report's defaults exactly as the kit reads it.
#pragma once

#include <string>
#include <string_view>

// Where the kit keeps its config.
constexpr const char* kKitConfigPath = "/etc/netreckon.conf";

// A config file larger than this is no config.
constexpr long long kMaxKitConfigBytes = 1024LL * 1024;

// What the report takes from the kit's config: the snapshot directory and the two prefixes,
// with the kit's own defaults for keys the file leaves out.
struct kit_config_t {
  std::string szLogDir = "/var/log/netreckon";
  std::string szInPrefix = "traffic_in_";
  std::string szOutPrefix = "traffic_out_";
};

/// Reads the KEY=value lines of a config's text as the kit does: blank lines and '#' comments,
/// a leading "export", blanks around '=', a value quoted with " or ' or bare up to a blank, a
/// trailing comment, CRLF line ends. Nothing is run. Returns false with the line and the reason
/// in szError for a malformed line, as the kit refuses it.
bool ReadKitConfigText(std::string_view szText, kit_config_t& tConfig, std::string& szError);

/// Reads a config file: a regular file of at most kMaxKitConfigBytes. Returns false with the
/// reason in szError.
bool ReadKitConfig(const char* szPath, kit_config_t& tConfig, std::string& szError);
