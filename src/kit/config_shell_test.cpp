// The kit's config as its shell receives it: one line per case, the file's text and the shell
// text the kit evals (assignments, warnings, the one error), quoting included.
#include "kit/config_shell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct shell_case_t {
  const char* szCase;
  const char* szText;
  const char* szShell;
};

}  // namespace

TEST(ConfigShell, GivesTheKitItsValuesAndItsErrors) {
  const shell_case_t kCases[] = {
      {"empty", "", ""},
      {"plain, in the file's order", "LOG_DIR=/srv/t\nIN_PREFIX=a_\n",
       "LOG_DIR='/srv/t'\nIN_PREFIX='a_'\n"},
      {"export, blanks, quotes, comments, CRLF",
       "# the kit\r\n  export HOSTS = \"10.0.0.1 10.0.0.2\"  # lab\r\nIN_CHAIN='LAB_IN'\r\n",
       "HOSTS='10.0.0.1 10.0.0.2'\nIN_CHAIN='LAB_IN'\n"},
      {"a single quote inside double quotes", "HOSTS=\"it's\"\n", "HOSTS='it'\\''s'\n"},
      {"a command is data", "LOG_DIR=$(reboot)\nNFT=\"`id`;x\"\n",
       "LOG_DIR='$(reboot)'\nNFT='`id`;x'\n"},
      {"every key of the kit",
       "IN_CHAIN=a\nOUT_CHAIN=b\nIPTABLES_RESTORE=c\nIP6TABLES_RESTORE=d\nKEEP_DAYS=1\n"
       "KEEP_DAILY=2\nCOUNT=all\nWAN_IF=e\nBACKEND=nft\nNFT=f\nSUBNETS=g\nIPV6_HOSTS=64\n"
       "SET_SIZE=9\nTEXTFILE_DIR=/h\nIPTABLES=i\nIP6TABLES=j\nOUT_PREFIX=k\nLOCK_DIR=/l\n"
       "SET_TIMEOUT=2h\nMAC_LIMIT=8\n",
       "IN_CHAIN='a'\nOUT_CHAIN='b'\nIPTABLES_RESTORE='c'\nIP6TABLES_RESTORE='d'\nKEEP_DAYS='1'\n"
       "KEEP_DAILY='2'\nCOUNT='all'\nWAN_IF='e'\nBACKEND='nft'\nNFT='f'\nSUBNETS='g'\n"
       "IPV6_HOSTS='64'\nSET_SIZE='9'\nTEXTFILE_DIR='/h'\nIPTABLES='i'\nIP6TABLES='j'\n"
       "OUT_PREFIX='k'\nLOCK_DIR='/l'\nSET_TIMEOUT='2h'\nMAC_LIMIT='8'\n"},
      {"an unknown key is warned about, never assigned", "PATH=/tmp\nCOLOUR=blue\nNFT=n\n",
       "warn 'c.conf:1: unknown key PATH (ignored)'\nwarn 'c.conf:2: unknown key COLOUR "
       "(ignored)'\nNFT='n'\n"},
      {"no equals sign", "NFT=n\nLOG_DIR\n", "die 'c.conf:2: not a KEY=value line: LOG_DIR'\n"},
      {"not a name", "1DIR=/srv\n", "die 'c.conf:1: not a variable name: 1DIR'\n"},
      {"unterminated quote", "LOG_DIR=\"/srv\n", "die 'c.conf:1: unterminated quote'\n"},
      {"a quote inside a bare value", "LOG_DIR=/s'rv\n",
       "die 'c.conf:1: a quote inside a value: /s'\\''rv'\n"},
      {"text after the value", "HOSTS=10.0.0.1 10.0.0.2\n",
       "die 'c.conf:1: text after the value (quote a value with blanks): 10.0.0.2'\n"},
      {"a tab inside a quoted value", "HOSTS=\"10.0.0.1\t10.0.0.2\"\n",
       "die 'c.conf:1: a tab inside a value'\n"},
      {"a tab around the equals sign is a blank", "HOSTS\t=\t10.0.0.1\t# x\n",
       "HOSTS='10.0.0.1'\n"},
      {"a vertical tab", "LOG_DIR=/srv\v/x\n", "die 'c.conf:1: a control character in the line'\n"},
      {"a form feed in quotes", "LOG_DIR=\"/srv\f\"\n",
       "die 'c.conf:1: a control character in the line'\n"},
      {"a delete character", "LOG_DIR=/srv\x7f/x\n",
       "die 'c.conf:1: a control character in the line'\n"},
      {"a key that begins with export", "exported=1\nexport\tNFT=n\n",
       "warn 'c.conf:1: unknown key exported (ignored)'\nNFT='n'\n"},
      {"a control character in a comment is a comment", "# \x1b[2J\nNFT=n\n", "NFT='n'\n"},
  };
  for (const shell_case_t& tCase : kCases) {
    EXPECT_EQ(FormatConfigForShell("c.conf", tCase.szText), tCase.szShell) << tCase.szCase;
  }
}

// What the shell makes of the text: every quote survives a real shell's eval as written.
TEST(ConfigShell, QuotesSurviveARealShell) {
  const char* const kValues[] = {"plain", "it's", "''", "$(id) `id` \"x\" \\n *", ""};
  for (const char* szValue : kValues) {
    const std::string szCommand = "HOSTS=x; eval " +
                                  QuoteForShell("HOSTS=" + QuoteForShell(szValue)) +
                                  "; [ \"$HOSTS\" = " + QuoteForShell(szValue) + " ]";
    EXPECT_EQ(std::system(("sh -c " + QuoteForShell(szCommand)).c_str()), 0) << szValue;
  }
}
