// Tests of the escapes of text in HTML, JSON and CSV: every character each format escapes, and
// text each leaves as it is.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "test_support.h"

TEST(Escape, HtmlWritesEachSpecialCharacterAsItsEntity) {
  const struct {
    const char* szText;
    const char* szHtml;
  } kCases[] = {
      {"", ""},
      {"plain 10.0.0.1", "plain 10.0.0.1"},
      {"&", "&amp;"},
      {"<", "&lt;"},
      {">", "&gt;"},
      {"\"", "&quot;"},
      {"'", "&#39;"},
      {"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&#39;f"},
      {"&amp;", "&amp;amp;"},
      {"\\ / = , \t", "\\ / = , \t"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteHtmlText(pOut, tCase.szText); }),
              tCase.szHtml)
        << tCase.szText;
  }
}

TEST(Escape, JsonQuotesAndEscapesControlsAndBrokenUtf8) {
  const struct {
    const char* szText;
    const char* szJson;
  } kCases[] = {
      {"", "\"\""},
      {"10.0.0.1", "\"10.0.0.1\""},
      {"\"", "\"\\\"\""},
      {"\\", "\"\\\\\""},
      {"\x01", "\"\\u0001\""},
      {"\n", "\"\\u000a\""},
      {"\t", "\"\\u0009\""},
      {"\x1f", "\"\\u001f\""},
      {" ", "\" \""},
      {"\x7f", "\"\x7f\""},
      {"/<>&'", "\"/<>&'\""},
      // Whole sequences of two, three and four bytes stay; the first byte past U+10FFFF, a
      // surrogate, an overlong form, a stray continuation or a cut sequence does not.
      {"\xc3\xa9", "\"\xc3\xa9\""},
      {"\xe2\x82\xac", "\"\xe2\x82\xac\""},
      {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},
      {"\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbf\xbf\""},
      {"\xf4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
      {"\xc1\xbf", "\"\\ufffd\\ufffd\""},
      {"\xe0\x9f\xbf", "\"\\ufffd\\ufffd\\ufffd\""},
      {"\xc2\x80", "\"\xc2\x80\""},
      {"\xdf\xbf", "\"\xdf\xbf\""},
      {"\xe0\xa0\x80", "\"\xe0\xa0\x80\""},
      {"\xf0\x90\x80\x80", "\"\xf0\x90\x80\x80\""},
      {"\xef\xbf\xbf", "\"\xef\xbf\xbf\""},
      {"\xee\x80\x80", "\"\xee\x80\x80\""},
      {"\xf0\x8f\xbf\xbf", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
      {"\xf5\x80\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
      {"\x80", "\"\\ufffd\""},
      {"\xc3", "\"\\ufffd\""},
      {"\xc3x", "\"\\ufffdx\""},
      {"\xe2\x82x", "\"\\ufffd\\ufffdx\""},
      {"a\xc3\xa9\"b", "\"a\xc3\xa9\\\"b\""},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteJsonString(pOut, tCase.szText); }),
              tCase.szJson)
        << tCase.szText;
  }
}

TEST(Escape, CsvQuotesSeparatorsAndMakesFormulasText) {
  const struct {
    const char* szText;
    const char* szCsv;
  } kCases[] = {
      {"", ""},
      {"10.0.0.1", "10.0.0.1"},
      {"a b", "a b"},
      {",", "\",\""},
      {"\"", "\"\"\"\""},
      {"\r", "\"\r\""},
      {"\n", "\"\n\""},
      {"a\"b,c", "\"a\"\"b,c\""},
      {"=1+2", "\"'=1+2\""},
      {"+1", "\"'+1\""},
      {"-1", "\"'-1\""},
      {"@SUM", "\"'@SUM\""},
      {"=a\"b", "\"'=a\"\"b\""},
      // Only the first character makes a formula.
      {"a=1", "a=1"},
      {"1-2", "1-2"},
      {"'quoted'", "'quoted'"},
      {";\t", ";\t"},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(WriteToString([&](std::FILE* pOut) { WriteCsvField(pOut, tCase.szText); }),
              tCase.szCsv)
        << tCase.szText;
  }
}
