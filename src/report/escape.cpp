// Writing host keys safely into HTML, JSON and CSV.
#include <cstring>

#include "report/report.h"

namespace {

// The length of the valid UTF-8 sequence that starts at pText, or 0.
std::size_t MeasureUtf8(const unsigned char* pText) {
  const unsigned char cLead = pText[0];
  std::size_t iLength = 0;
  unsigned uiMin = 0;
  unsigned uiCode = 0;
  if (cLead >= 0xC2 && cLead <= 0xDF) {
    iLength = 2, uiMin = 0x80, uiCode = cLead & 0x1Fu;
  } else if (cLead >= 0xE0 && cLead <= 0xEF) {
    iLength = 3, uiMin = 0x800, uiCode = cLead & 0x0Fu;
  } else if (cLead >= 0xF0 && cLead <= 0xF4) {
    iLength = 4, uiMin = 0x10000, uiCode = cLead & 0x07u;
  } else {
    return 0;
  }
  for (std::size_t iIdx = 1; iIdx < iLength; ++iIdx) {
    if ((pText[iIdx] & 0xC0u) != 0x80u) {
      return 0;
    }
    uiCode = (uiCode << 6) | (pText[iIdx] & 0x3Fu);
  }
  const bool bSurrogate = uiCode >= 0xD800 && uiCode <= 0xDFFF;
  return uiCode >= uiMin && uiCode <= 0x10FFFF && !bSurrogate ? iLength : 0;
}

}  // namespace

void WriteHtmlText(std::FILE* pOut, const char* szText) {
  for (const char* pChar = szText; *pChar != '\0'; ++pChar) {
    switch (*pChar) {
      case '&': std::fputs("&amp;", pOut); break;
      case '<': std::fputs("&lt;", pOut); break;
      case '>': std::fputs("&gt;", pOut); break;
      case '"': std::fputs("&quot;", pOut); break;
      case '\'': std::fputs("&#39;", pOut); break;
      default: std::fputc(*pChar, pOut); break;
    }
  }
}

void WriteJsonString(std::FILE* pOut, const char* szText) {
  std::fputc('"', pOut);
  const auto* pChar = reinterpret_cast<const unsigned char*>(szText);
  while (*pChar != '\0') {
    const unsigned char cChar = *pChar;
    if (cChar == '"' || cChar == '\\') {
      std::fputc('\\', pOut);
      std::fputc(cChar, pOut);
    } else if (cChar < 0x20) {
      std::fprintf(pOut, "\\u%04x", cChar);
    } else if (cChar >= 0x80) {
      const std::size_t iLength = MeasureUtf8(pChar);
      if (iLength == 0) {
        std::fputs("\\ufffd", pOut);
      } else {
        std::fwrite(pChar, 1, iLength, pOut);
        pChar += iLength;
        continue;
      }
    } else {
      std::fputc(cChar, pOut);
    }
    ++pChar;
  }
  std::fputc('"', pOut);
}

void WriteCsvField(std::FILE* pOut, const char* szText) {
  // A spreadsheet takes a cell that begins with one of these for a formula; an apostrophe
  // before it makes the cell text, shown as it was.
  const bool bFormula = std::strchr("=+-@", szText[0]) != nullptr && szText[0] != '\0';
  if (!bFormula && std::strpbrk(szText, ",\"\r\n") == nullptr) {
    std::fputs(szText, pOut);
    return;
  }
  std::fputc('"', pOut);
  if (bFormula) {
    std::fputc('\'', pOut);
  }
  for (const char* pChar = szText; *pChar != '\0'; ++pChar) {
    if (*pChar == '"') {
      std::fputc('"', pOut);
    }
    std::fputc(*pChar, pOut);
  }
  std::fputc('"', pOut);
}
