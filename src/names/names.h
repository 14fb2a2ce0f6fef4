// Host names from hosts files and DHCP lease files.
#pragma once

#include <climits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A names file larger than this is no hosts or lease file (a /16 of leases is some 6 MiB).
constexpr long long kMaxNamesFileBytes = 16LL * 1024 * 1024;

// Who gave a name: the admin (a hosts-style file) or a DHCP client (a lease file).
enum class name_source_t { kAdmin, kLease };

// Times of a lease, seconds since the epoch: a lease of unknown start began at kLeaseAlways, one
// that never expires ends at kLeaseForever.
constexpr long long kLeaseAlways = LLONG_MIN;
constexpr long long kLeaseForever = LLONG_MAX;

// A name of a file: key (an address as MakeAddressKey writes it, another key ASCII case folded)
// and name. A lease is valid from llFrom up to llUntil; a lease without a name (empty) still
// ends the naming of the lease before it on its address.
struct name_entry_t {
  std::string szKey;
  std::string szName;
  name_source_t eSource = name_source_t::kAdmin;
  long long llFrom = kLeaseAlways;
  long long llUntil = kLeaseForever;
  bool operator==(const name_entry_t&) const = default;
};

// The names of a file in its order; later ones win.
using names_t = std::vector<name_entry_t>;

// One lease of an address: its name (empty: none) and the time it is valid.
struct lease_span_t {
  std::string szName;
  long long llFrom;
  long long llUntil;
};

// The names of every names file: the admin's by key (the later file wins), the leases by key
// in the order read.
struct name_book_t {
  std::unordered_map<std::string, std::string> tAdmin;
  std::unordered_map<std::string, std::vector<lease_span_t>> tLeases;
};

// What became of a names file.
enum class names_outcome_t { kRead, kNotAFile, kTooLarge, kUnreadable };

/// Reads a names file's text, its format told by its content: a Kea lease CSV (its header
/// begins "address,"; a lease in state 0 is valid for valid_lifetime up to expire, its escapes
/// decoded), an ISC server's dhcpd.leases ("lease ADDRESS {" blocks; an active binding is valid
/// from starts to ends, a later block of the address ends it), or lines of a hosts file
/// "ADDRESS NAME [ALIAS...]" (the admin's) and of dnsmasq leases "EXPIRY MAC ADDRESS NAME [ID]"
/// (first token all digits, valid up to EXPIRY, 0 for ever; blanks and tabs separate, '#'
/// begins a comment, a name "*" names nothing). A lease name that is an address, or is not 1
/// to 64 printable characters, is no name.
void ReadNamesText(std::string_view szText, names_t& tNames);

/// Reads a names file: a regular file of at most kMaxNamesFileBytes, opened without blocking
/// (a FIFO never holds the run). iError keeps errno for kUnreadable.
names_outcome_t ReadNamesFile(const char* szPath, names_t& tNames, int& iError);

/// Adds a file's names to the book: an admin's name replaces the one before, a lease follows
/// the ones before it.
void AddNamesToBook(names_t& tNames, name_book_t& tBook);

/// The name of the newest lease (the latest start, then the one read last) that is valid at
/// some time of [llFrom, llUntil); false when none is. The name may be empty.
bool FindLeaseName(const std::vector<lease_span_t>& tLeases, long long llFrom, long long llUntil,
                   std::string& szName);
