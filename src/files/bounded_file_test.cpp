// Reading whole files of bounded size: one line per kind of entry, what becomes of it.
#include "files/bounded_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

TEST(BoundedFile, ReadsRegularFilesOnlyAndNeverPastTheBound) {
  char szTemplate[] = "/tmp/netreckon-bounded-XXXXXX";
  ASSERT_NE(mkdtemp(szTemplate), nullptr);
  const std::string szDir = szTemplate;
  std::ofstream(szDir + "/ten") << "0123456789";
  std::ofstream(szDir + "/eleven") << "0123456789A";
  ASSERT_EQ(mkdir((szDir + "/folder").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo((szDir + "/fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink((szDir + "/ten").c_str(), (szDir + "/link").c_str()), 0);
  const struct {
    const char* szName;
    bool bNoFollow;
    file_read_t eOutcome;
    const char* szText;
    int iError;
  } kCases[] = {
      {"ten", true, file_read_t::kRead, "0123456789", 0},
      {"eleven", false, file_read_t::kTooLarge, "", 0},
      {"missing", false, file_read_t::kUnreadable, "", ENOENT},
      {"folder", false, file_read_t::kNotAFile, "", 0},
      {"fifo", false, file_read_t::kNotAFile, "", 0},
      {"link", true, file_read_t::kSymlink, "", 0},
      {"link", false, file_read_t::kRead, "0123456789", 0},
  };
  for (const auto& tCase : kCases) {
    std::string szText = "left over";
    int iError = 0;
    EXPECT_EQ(
        ReadBoundedFile((szDir + "/" + tCase.szName).c_str(), 10, tCase.bNoFollow, szText, iError),
        tCase.eOutcome)
        << tCase.szName;
    EXPECT_EQ(szText, tCase.szText) << tCase.szName;
    EXPECT_EQ(iError, tCase.iError) << tCase.szName;
  }
  EXPECT_EQ(std::system(("rm -rf '" + szDir + "'").c_str()), 0);
}
