// The program's messages on standard error: "netreckon: ", the text, one line each.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "run/run.h"

namespace {

// iError 0: no error text after the message.
void WriteMessage(int iError, const char* szFormat, std::va_list& tArguments) {
  char szText[2048];
  std::vsnprintf(szText, sizeof szText, szFormat, tArguments);
  if (iError != 0) {
    std::fprintf(stderr, "netreckon: %s: %s\n", szText, std::strerror(iError));
  } else {
    std::fprintf(stderr, "netreckon: %s\n", szText);
  }
}

}  // namespace

void Warn(const char* szFormat, ...) {
  std::va_list tArguments;
  va_start(tArguments, szFormat);
  WriteMessage(0, szFormat, tArguments);
  va_end(tArguments);
}

void WarnError(int iError, const char* szFormat, ...) {
  std::va_list tArguments;
  va_start(tArguments, szFormat);
  WriteMessage(iError, szFormat, tArguments);
  va_end(tArguments);
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
