// Tests of reading names from hosts and lease files, and of the files a run refuses to read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "names/names.h"

TEST(NamesFile, ReadsHostsAndLeaseLines) {
  const struct {
    const char* szCase;
    const char* szText;
    names_t tExpected;
  } kCases[] = {
      {"hosts line with aliases", "10.0.0.3 nas nas.lan\n", {{"10.0.0.3", "nas"}}},
      {"tab separated", "10.0.0.4\tprinter\tp.lan\n", {{"10.0.0.4", "printer"}}},
      {"comment and blank", "# all\n\n10.0.0.5 pc # desk\n", {{"10.0.0.5", "pc"}}},
      {"lease line",
       "1765000000 aa:bb:cc:dd:ee:02 10.0.0.2 phone 01:aa\n",
       {{"10.0.0.2", "phone"}}},
      {"a lease without a name", "1765000000 aa:bb:cc:dd:ee:03 10.0.0.3 * *\n", {}},
      {"a short lease", "1765000000 aa:bb 10.0.0.3\n", {}},
      {"upper case folded", "2001:DB8::4 V6host\n", {{"2001:db8::4", "V6host"}}},
      {"crlf and no last break",
       "10.0.0.6 tv\r\n10.0.0.7 box",
       {{"10.0.0.6", "tv"}, {"10.0.0.7", "box"}}},
      {"an address alone", "10.0.0.8\n", {}},
      {"an IPv6 long form", "2001:db8:50:0:0:0:0:10 nas\n", {{"2001:db8:50::10", "nas"}}},
      {"a lease that looks like a hosts line",
       "lease-server 10.0.0.9\n",
       {{"lease-server", "10.0.0.9"}}},
  };
  for (const auto& tCase : kCases) {
    names_t tNames;
    ReadNamesText(tCase.szText, tNames);
    EXPECT_EQ(tNames, tCase.tExpected) << tCase.szCase;
  }
}

TEST(NamesFile, RefusesWhatIsNoRegularFileOfItsSize) {
  const std::filesystem::path tDir = std::filesystem::path(testing::TempDir()) / "netreckon-names";
  std::filesystem::remove_all(tDir);
  std::filesystem::create_directories(tDir);
  std::ofstream(tDir / "hosts") << "10.0.0.1 a\n";
  {
    std::ofstream tLarge(tDir / "large");
    tLarge << "10.0.0.1 a\n";
    tLarge.seekp(kMaxNamesFileBytes);
    tLarge << "\n";
  }
  ASSERT_EQ(mkfifo((tDir / "fifo").c_str(), 0600), 0);
  const struct {
    std::filesystem::path tPath;
    names_outcome_t eOutcome;
  } kCases[] = {
      {tDir / "hosts", names_outcome_t::kRead},    {tDir / "large", names_outcome_t::kTooLarge},
      {tDir / "fifo", names_outcome_t::kNotAFile}, {tDir, names_outcome_t::kNotAFile},
      {"/dev/zero", names_outcome_t::kNotAFile},   {tDir / "missing", names_outcome_t::kUnreadable},
  };
  for (const auto& tCase : kCases) {
    names_t tNames;
    int iError = 0;
    EXPECT_EQ(ReadNamesFile(tCase.tPath.c_str(), tNames, iError), tCase.eOutcome) << tCase.tPath;
    EXPECT_EQ(tNames.size(), tCase.eOutcome == names_outcome_t::kRead ? 1u : 0u) << tCase.tPath;
  }
  std::filesystem::remove_all(tDir);
}

// Lease files as the servers write them: the later active binding wins, free, declined and
// expired leases and leases without a name name nothing.
TEST(NamesFile, ReadsTheLeaseFilesOfEveryServer) {
  const struct {
    const char* szFile;
    names_t tExpected;
  } kCases[] = {
      {"dhcpd.leases", {{"192.168.50.10", "laptop"}, {"192.168.50.10", "laptop-2"}}},
      {"kea-leases4.csv", {{"192.168.50.20", "printer.lan"}, {"192.168.50.20", "printer.lan"}}},
      {"kea-leases6.csv", {{"2001:db8:50::10", "nas"}}},
  };
  for (const auto& tCase : kCases) {
    names_t tNames;
    int iError = 0;
    const std::string szPath = std::string(NETRECKON_SOURCE_DIR) + "/tests/data/" + tCase.szFile;
    EXPECT_EQ(ReadNamesFile(szPath.c_str(), tNames, iError), names_outcome_t::kRead) << szPath;
    EXPECT_EQ(tNames, tCase.tExpected) << tCase.szFile;
  }
}
