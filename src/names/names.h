// Host names from hosts files and DHCP lease files.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A names file larger than this is no hosts or lease file (a /16 of leases is some 6 MiB).
constexpr long long kMaxNamesFileBytes = 16LL * 1024 * 1024;

// The names of a file in its order: key (an address as MakeAddressKey writes it, another key
// ASCII case folded) and name; later ones win.
using names_t = std::vector<std::pair<std::string, std::string>>;

// What became of a names file.
enum class names_outcome_t { kRead, kNotAFile, kTooLarge, kUnreadable };

/// Reads a names file's text, its format told by its content: a Kea lease CSV (its header
/// begins "address,"; leases in state 0 with a hostname), an ISC server's dhcpd.leases ("lease
/// ADDRESS {" blocks; the last active binding with a client-hostname wins), or lines of a hosts
/// file "ADDRESS NAME [ALIAS...]" and of dnsmasq leases "EXPIRY MAC ADDRESS NAME [ID]" (first
/// token all digits; blanks and tabs separate, '#' begins a comment, a name "*" names nothing).
void ReadNamesText(std::string_view szText, names_t& tNames);

/// Reads a names file: a regular file of at most kMaxNamesFileBytes, opened without blocking
/// (a FIFO never holds the run). iError keeps errno for kUnreadable.
names_outcome_t ReadNamesFile(const char* szPath, names_t& tNames, int& iError);
