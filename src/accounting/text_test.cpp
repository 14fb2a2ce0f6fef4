// Tests of the bounded copy, the ASCII case folding and the atoi-style reader.
#include <gtest/gtest.h>

#include <climits>

#include "accounting/records.h"

TEST(CopyText, CutsToTheFieldAndTerminates) {
  char szField[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(CopyText(szField, sizeof szField, "10.0.0.1"), 4u);
  EXPECT_STREQ(szField, "10.0");
  EXPECT_EQ(CopyText(szField, sizeof szField, ""), 0u);
  EXPECT_STREQ(szField, "");
}

TEST(CaseFolding, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(StartsWithIgnoreCase("TRAFFIC_in_2009", "traffic_IN_"));
  EXPECT_FALSE(StartsWithIgnoreCase("traf", "traffic"));
  EXPECT_TRUE(StartsWithIgnoreCase("anything", ""));
  EXPECT_FALSE(EqualsIgnoreCase("\xc3\x89", "\xc3\xa9"));  // É and é stay apart
  EXPECT_FALSE(EqualsIgnoreCase("[", "{"));                // not letters: no fold
  EXPECT_TRUE(EqualsIgnoreCase("Host-A", "hOST-a"));
  EXPECT_FALSE(EqualsIgnoreCase("10.0.0.1", "10.0.0.12"));
}

TEST(ParseInt, ReadsLikeAtoi) {
  const struct {
    const char* szText;
    int32_t iExpected;
  } kCases[] = {
      {"123K", 123},
      {"  -42x", -42},
      {"+7", 7},
      {"", 0},
      {"abc", 0},
      {"12M3", 12},
      {"1.5G", 1},
      {"\t\n 9", 9},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      // Beyond the int range atoi keeps the low 32 bits of strtol's long result.
      {"4294967297", 1},
      {"99999999999999999999", -1},
      {"-99999999999999999999", 0},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(ParseInt(tCase.szText), tCase.iExpected) << tCase.szText;
  }
}
