// A host as the collector kit sets it up: one HOSTS or SUBNETS entry, ADDRESS[/PREFIX][=NAME],
// read strictly and written in the form the firewall's listing and "iptables -S" print.
#pragma once

#include <string>
#include <string_view>

#include "addresses/address.h"

// One entry, read.
struct host_entry_t {
  address_t tAddress;   // host bits cleared
  std::string szEntry;  // ADDRESS/PREFIX as the firewall prints it (IPv6 compressed, lower case)
  std::string szName;   // empty when the entry names none
};

/// Reads an entry: an IPv4 address in dotted decimal without leading zeros (the firewall reads
/// them as octal) or an IPv6 address in any written form, an optional prefix length from 1 to
/// the family's width written without a leading zero, and an optional =NAME of 1 to 32 letters,
/// digits, '.', '_' or '-' (not the kit's own mark's name). Returns false with the reason.
bool ReadHostEntry(std::string_view szText, host_entry_t& tEntry, std::string& szReason);

/// True when tInner lies inside tOuter's prefix, tOuter being a subnet of the same family.
bool IsInsideHostEntry(const host_entry_t& tOuter, const host_entry_t& tInner);
