// Host keys read as addresses: the order by address and the form names are matched by.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A host key as an address: IPv4 or IPv6 with its prefix length, or another key.
struct address_t {
  int iFamily = 2;  // 0 IPv4, 1 IPv6, 2 not an address
  uint8_t aBytes[16] = {};
  int iPrefix = 0;  // 32 or 128 for a single address
};

/// Reads "ADDRESS" or "ADDRESS/PREFIX" as the system's address parser does (IPv6 in any of
/// its written forms); false, leaving iFamily 2, for anything else.
bool ReadAddress(std::string_view szKey, address_t& tAddress);

/// The form a key is matched by: an address written as the system writes it (IPv6 shortest,
/// lower case), with "/PREFIX" only for a network; any other key ASCII case folded.
std::string MakeAddressKey(std::string_view szKey);

/// The order by address: IPv4 numerically, then IPv6, then other keys byte-wise; a network
/// before its first address.
bool IsBeforeByAddress(const address_t& tLeft, std::string_view szLeft, const address_t& tRight,
                       std::string_view szRight);
