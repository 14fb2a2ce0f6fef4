// The command line: its options wherever they stand, the positional arguments in order, the
// kit's defaults, the names files and the date filters, read once into a request.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "run/request.h"

/// Reads the command line into tRequest against the clock tNow (for today, month and year).
/// Help and a missing argument end in tRequest.eCommand; a bad option, type, date, config or
/// names file returns false with the message in *pErr (exit status 2).
bool ReadRequest(int argc, char** argv, time_t tNow, request_t& tRequest, std::string* pErr);

/// The text of a command that ends the run before it starts: the help, or (no arguments) the
/// banner and the usage lines.
void WriteCommandText(std::FILE* pOut, command_t eCommand);

/// The console report's opening: the banner and the range it was asked for.
void WriteBanner(std::FILE* pOut, const request_t& tRequest);

// ---- the values' grammar, for the tests beside ----

/// A size in bytes: digits and an optional unit K, M, G or T (powers of 1000).
bool ReadSize(std::string_view szText, long long& llBytes);

/// At most iDigits digits (nine at the most), from iMin to iMax.
bool ReadWholeNumber(std::string_view szText, std::size_t iDigits, int32_t iMin, int32_t iMax,
                     int32_t& iValue);
