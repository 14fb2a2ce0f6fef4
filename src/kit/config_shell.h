// The kit's config for its shell: each value as an assignment the shell can eval, each unknown
// key as a warning and a malformed line as the one error, all quoted so that no byte of the file
// can become a command.
#pragma once

#include <string>
#include <string_view>

/// Text in single quotes for a POSIX shell: a quote inside is written '\''.
std::string QuoteForShell(std::string_view szText);

/// The shell text for a config file's contents (named szPath in messages): "KEY='value'" for
/// each key the kit reads, in the file's order; "warn 'PATH:LINE: unknown key KEY (ignored)'"
/// for any other key; or, for a malformed line, "die 'PATH:LINE: reason'" alone.
std::string FormatConfigForShell(std::string_view szPath, std::string_view szText);
