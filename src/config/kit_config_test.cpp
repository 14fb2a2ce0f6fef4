// Tests of reading the kit's config as the kit reads it.
#include "config/kit_config.h"

#include <gtest/gtest.h>

#include <string>

TEST(KitConfig, ReadsTheDirectoryAndPrefixesAsTheKitDoes) {
  const struct {
    const char* szCase;
    const char* szText;
    const char* szLogDir;  // nullptr: refused
    const char* szIn;
    const char* szOut;
  } kCases[] = {
      {"empty: the kit's defaults", "", "/var/log/netreckon", "traffic_in_", "traffic_out_"},
      {"plain", "LOG_DIR=/srv/t\nIN_PREFIX=a_\nOUT_PREFIX=b_\n", "/srv/t", "a_", "b_"},
      {"quotes, blanks, export, comments, CRLF",
       "# the kit\r\n  export LOG_DIR = \"/srv/x y\"  # here\r\nIN_PREFIX='i_'\r\nHOSTS=\"10.0.0.1 "
       "10.0.0.2\"\n",
       "/srv/x y", "i_", "traffic_out_"},
      {"a hash inside a bare value", "LOG_DIR=/srv/a#b\n", "/srv/a#b", "traffic_in_",
       "traffic_out_"},
      {"unknown keys pass", "KEEP_DAYS=45\nWHATEVER=1\n", "/var/log/netreckon", "traffic_in_",
       "traffic_out_"},
      {"no last line break", "OUT_PREFIX=o_", "/var/log/netreckon", "traffic_in_", "o_"},
      {"no equals sign", "LOG_DIR\n", nullptr, "", ""},
      {"unterminated quote", "LOG_DIR=\"/srv\n", nullptr, "", ""},
      {"text after the value", "LOG_DIR=/srv x\n", nullptr, "", ""},
      {"a quote inside a bare value", "LOG_DIR=/s'rv\n", nullptr, "", ""},
      {"not a name", "1DIR=/srv\n", nullptr, "", ""},
      {"a command is data", "LOG_DIR=$(reboot)\n", "$(reboot)", "traffic_in_", "traffic_out_"},
      // The kit refuses these too: one reader for both.
      {"a tab inside a quoted value", "LOG_DIR=\"/srv\tx\"\n", nullptr, "", ""},
      {"a vertical tab", "LOG_DIR=/srv\v\n", nullptr, "", ""},
      {"a delete character", "LOG_DIR=/srv\x7f\n", nullptr, "", ""},
      {"a tab as a blank", "LOG_DIR\t=\t/srv\t# x\n", "/srv", "traffic_in_", "traffic_out_"},
  };
  for (const auto& tCase : kCases) {
    kit_config_t tConfig;
    std::string szError;
    const bool bRead = ReadKitConfigText(tCase.szText, tConfig, szError);
    EXPECT_EQ(bRead, tCase.szLogDir != nullptr) << tCase.szCase << ": " << szError;
    if (bRead && tCase.szLogDir != nullptr) {
      EXPECT_EQ(tConfig.szLogDir, tCase.szLogDir) << tCase.szCase;
      EXPECT_EQ(tConfig.szInPrefix, tCase.szIn) << tCase.szCase;
      EXPECT_EQ(tConfig.szOutPrefix, tCase.szOut) << tCase.szCase;
    }
  }
}
