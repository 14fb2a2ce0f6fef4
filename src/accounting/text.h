// Text helpers: bounded copies, ASCII-only case folding, the name rule and atoi's reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Paths, prefixes, filters and file names are held in buffers of this many bytes.
constexpr std::size_t kTextBuf = 1024;

/// Copies `szSource` into a field of `iCapacity` bytes, truncating; always terminates.
/// Returns the length written.
std::size_t CopyText(char* pField, std::size_t iCapacity, std::string_view szSource);

/// True when `szText` begins with `szPrefix`, folding only the ASCII letters A-Z.
bool StartsWithIgnoreCase(std::string_view szText, std::string_view szPrefix);

/// True when a host's name is one to show: 1 to 64 printable ASCII characters.
bool IsHostNameShown(std::string_view szName);

/// The text with the ASCII letters A-Z folded to lower case, and nothing else changed.
std::string FoldCase(std::string_view szText);

/// True when both texts are equal, folding only the ASCII letters A-Z.
bool EqualsIgnoreCase(std::string_view szLeft, std::string_view szRight);

/// The value of leading decimal text as atoi reads it (blanks, sign, digits), without its
/// undefined behaviour: out-of-range values wrap to 32 bits as the C library's atoi does.
int32_t ParseInt(const char* szText);
