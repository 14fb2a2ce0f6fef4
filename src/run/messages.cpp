// The program's messages on standard error: "netreckon: ", the text, one line each.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "run/run.h"

namespace {

// A message's text is composed where its arguments are; iError 0: no error text after it.
constexpr std::size_t kMessageBuf = 2048;

void WriteMessage(int iError, const char* szText) {
  if (iError != 0) {
    std::fprintf(stderr, "netreckon: %s: %s\n", szText, std::strerror(iError));
  } else {
    std::fprintf(stderr, "netreckon: %s\n", szText);
  }
}

}  // namespace

void Warn(const char* szFormat, ...) {
  char szText[kMessageBuf];
  std::va_list tArguments;
  va_start(tArguments, szFormat);
  // The analyser loses the va_start above when it reads the whole source tree in one go.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  std::vsnprintf(szText, sizeof szText, szFormat, tArguments);
  va_end(tArguments);
  WriteMessage(0, szText);
}

void WarnError(int iError, const char* szFormat, ...) {
  char szText[kMessageBuf];
  std::va_list tArguments;
  va_start(tArguments, szFormat);
  // The analyser loses the va_start above when it reads the whole source tree in one go.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  std::vsnprintf(szText, sizeof szText, szFormat, tArguments);
  va_end(tArguments);
  WriteMessage(iError, szText);
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
