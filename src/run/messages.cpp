// The program's messages on standard error: "netreckon: ", the text, one line each.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "run/run.h"

void Warn(const char* szFormat, ...) {
  std::fputs("netreckon: ", stderr);
  va_list tArguments;
  va_start(tArguments, szFormat);
  std::vfprintf(stderr, szFormat, tArguments);
  va_end(tArguments);
  std::fputc('\n', stderr);
}

void WarnError(int iError, const char* szFormat, ...) {
  std::fputs("netreckon: ", stderr);
  va_list tArguments;
  va_start(tArguments, szFormat);
  std::vfprintf(stderr, szFormat, tArguments);
  va_end(tArguments);
  std::fprintf(stderr, ": %s\n", std::strerror(iError));
}

std::string ShowText(std::string_view szText) {
  std::string szShown;
  szShown.reserve(szText.size());
  for (const char cChar : szText) {
    const auto uiByte = static_cast<unsigned char>(cChar);
    if (uiByte < 0x20 || uiByte == 0x7f || cChar == '\\') {
      char szEscape[8];
      std::snprintf(szEscape, sizeof szEscape, cChar == '\\' ? "\\\\" : "\\x%02x", uiByte);
      szShown += szEscape;
    } else {
      szShown += cChar;
    }
  }
  return szShown;
}
