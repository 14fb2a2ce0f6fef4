// Tests of reading names from hosts and lease files, and of the files a run refuses to read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "names/names.h"

namespace {
constexpr name_source_t kLease = name_source_t::kLease;
}  // namespace

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
       {{"10.0.0.2", "phone", kLease, kLeaseAlways, 1765000000}}},
      {"a lease without a name",
       "1765000000 aa:bb:cc:dd:ee:03 10.0.0.3 * *\n",
       {{"10.0.0.3", "", kLease, kLeaseAlways, 1765000000}}},
      {"a lease that never expires",
       "0 aa:bb:cc:dd:ee:03 10.0.0.3 tv *\n",
       {{"10.0.0.3", "tv", kLease, kLeaseAlways, kLeaseForever}}},
      {"a lease named as an address",
       "1765000000 aa:bb:cc:dd:ee:03 10.0.0.3 10.0.0.5 *\n",
       {{"10.0.0.3", "", kLease, kLeaseAlways, 1765000000}}},
      {"a lease named as an IPv6 address",
       "1765000000 aa:bb:cc:dd:ee:03 10.0.0.3 2001:db8::5 *\n",
       {{"10.0.0.3", "", kLease, kLeaseAlways, 1765000000}}},
      {"a lease named with an escape",
       "1765000000 aa:bb:cc:dd:ee:03 10.0.0.3 a\x1b[2Jb *\n",
       {{"10.0.0.3", "", kLease, kLeaseAlways, 1765000000}}},
      {"a lease name too long",
       "1765000000 aa:bb:cc:dd:ee:03 10.0.0.3 "
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa *\n",
       {{"10.0.0.3", "", kLease, kLeaseAlways, 1765000000}}},
      {"the admin may name a host as an address",
       "10.0.0.3 10.0.0.5\n",
       {{"10.0.0.3", "10.0.0.5"}}},
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

// Lease files as the servers write them (the released ones captured from the servers
// themselves): an active binding or a lease of state 0 is valid for its own times, a later
// lease of an address ends the one before, a release or an expiry ends it at once; free,
// declined and expired leases name nothing, and a lease without a name still holds its time.
TEST(NamesFile, ReadsTheLeaseFilesOfEveryServer) {
  const struct {
    const char* szFile;
    names_t tExpected;
  } kCases[] = {
      {"dhcpd.leases",
       {{"192.168.50.10", "laptop", kLease, 1796112000, 1796155200},
        {"192.168.50.12", "", kLease, 1796202000, 1796245200},
        {"192.168.50.10", "laptop-2", kLease, 1796198400, 1796241600}}},
      {"kea-leases4.csv",
       {{"192.168.50.20", "printer.lan", kLease, 1796716000, 1796719600},
        {"192.168.50.21", "", kLease, 1796716100, 1796720100},
        {"192.168.50.20", "printer.lan", kLease, 1796719600, 1796723600}}},
      {"kea-leases6.csv", {{"2001:db8:50::10", "nas", kLease, 1796716000, 1796720000}}},
      {"dnsmasq.leases",
       {{"10.0.0.7", "carol", kLease, kLeaseAlways, 1796731096},
        {"10.0.0.6", "bob", kLease, kLeaseAlways, 1796731092},
        {"10.0.0.5", "10", kLease, kLeaseAlways, 1796731088},
        {"10.0.0.9", "", kLease, kLeaseAlways, 1796731084}}},
      {"dhcpd-released.leases",
       {{"10.0.0.5", "alice", kLease, 1796730981, 1796730983},
        {"10.0.0.6", "", kLease, 1796730986, 1796731106},
        {"10.0.0.7", "", kLease, 1796730988, 1796731108},
        {"10.0.0.8", "bob", kLease, 1796730990, 1796731110},
        {"10.0.0.9", "carol", kLease, 1796730992, 1796731112}}},
      {"kea-released4.csv",
       {{"10.0.0.5", "alice", kLease, 1796730998, 1796730998},
        {"10.0.0.6", "", kLease, 1796731003, 1796731123},
        {"10.0.0.7", "", kLease, 1796731004, 1796731124},
        {"10.0.0.8", "bob", kLease, 1796731005, 1796731125},
        {"10.0.0.9", "carol", kLease, 1796731006, 1796731126}}},
  };
  for (const auto& tCase : kCases) {
    names_t tNames;
    int iError = 0;
    const std::string szPath = std::string(NETRECKON_SOURCE_DIR) + "/tests/data/" + tCase.szFile;
    EXPECT_EQ(ReadNamesFile(szPath.c_str(), tNames, iError), names_outcome_t::kRead) << szPath;
    EXPECT_EQ(tNames, tCase.tExpected) << tCase.szFile;
  }
}

// The servers' own ways of writing a lease: Kea's escapes, ISC's other times and states.
TEST(NamesFile, ReadsEveryFormOfALease) {
  const struct {
    const char* szCase;
    const char* szText;
    names_t tExpected;
  } kCases[] = {
      {"kea escaped comma",
       "address,valid_lifetime,expire,hostname,state\n10.0.0.1,10,100,a&#x2cb,0\n",
       {{"10.0.0.1", "a,b", kLease, 90, 100}}},
      {"kea escape of a control byte",
       "address,valid_lifetime,expire,hostname,state\n10.0.0.1,10,100,a&#x0ab,0\n",
       {{"10.0.0.1", "", kLease, 90, 100}}},
      {"kea escape cut short",
       "address,valid_lifetime,expire,hostname,state\n10.0.0.1,10,100,a&#x2,0\n",
       {{"10.0.0.1", "a&#x2", kLease, 90, 100}}},
      {"kea name as an address",
       "address,valid_lifetime,expire,hostname,state\n10.0.0.1,10,100,10.0.0.2.,0\n",
       {{"10.0.0.1", "", kLease, 90, 100}}},
      {"kea without times",
       "address,hostname\n10.0.0.1,tv\n",
       {{"10.0.0.1", "tv", kLease, kLeaseAlways, kLeaseForever}}},
      {"kea reclaimed after a lease",
       "address,valid_lifetime,expire,hostname,state\n10.0.0.1,10,100,tv,0\n10.0.0.1,10,95,tv,2\n",
       {{"10.0.0.1", "tv", kLease, 90, 95}}},
      {"kea renewed",
       "address,valid_lifetime,expire,hostname,state\n10.0.0.1,10,100,a,0\n10.0.0.1,10,105,b,0\n",
       {{"10.0.0.1", "a", kLease, 90, 95}, {"10.0.0.1", "b", kLease, 95, 105}}},
      {"isc epoch times",
       "lease 10.0.0.1 {\n starts epoch 100; # x\n ends epoch 200;\n binding state active;\n "
       "client-hostname \"tv\";\n}\n",
       {{"10.0.0.1", "tv", kLease, 100, 200}}},
      {"isc never ends",
       "lease 10.0.0.1 {\n starts 4 1970/01/01 00:01:40;\n ends never;\n binding state active;\n "
       "client-hostname \"tv\";\n}\n",
       {{"10.0.0.1", "tv", kLease, 100, kLeaseForever}}},
      {"isc bad time",
       "lease 10.0.0.1 {\n starts 4 1970/13/01 00:01:40;\n ends epoch 200;\n binding state "
       "active;\n client-hostname \"tv\";\n}\n",
       {{"10.0.0.1", "tv", kLease, kLeaseAlways, 200}}},
      {"isc time with trailing text",
       "lease 10.0.0.1 {\n starts 4 1970/01/01 00:01:40x;\n ends epoch 200;\n binding state "
       "active;\n client-hostname \"tv\";\n}\n",
       {{"10.0.0.1", "tv", kLease, kLeaseAlways, 200}}},
      {"isc time cut short",
       "lease 10.0.0.1 {\n starts 4 1970/01/01 00:01;\n ends 4 1970/01/01 00:03:20;\n binding "
       "state active;\n client-hostname \"tv\";\n}\n",
       {{"10.0.0.1", "tv", kLease, kLeaseAlways, 200}}},
      {"isc time with another separator",
       "lease 10.0.0.1 {\n starts 4 1970-01-01 00:01:40;\n ends 4 1970/01/01 00:03:20;\n binding "
       "state active;\n client-hostname \"tv\";\n}\n",
       {{"10.0.0.1", "tv", kLease, kLeaseAlways, 200}}},
      {"isc abandoned after active",
       "lease 10.0.0.1 {\n starts epoch 100;\n ends epoch 200;\n binding state active;\n "
       "client-hostname \"tv\";\n}\nlease 10.0.0.1 {\n starts epoch 100;\n ends epoch 150;\n "
       "binding state abandoned;\n}\n",
       {{"10.0.0.1", "tv", kLease, 100, 150}}},
      {"isc backup names nothing",
       "lease 10.0.0.1 {\n starts epoch 100;\n ends epoch 200;\n binding state backup;\n "
       "client-hostname \"tv\";\n}\n",
       {}},
  };
  for (const auto& tCase : kCases) {
    names_t tNames;
    ReadNamesText(tCase.szText, tNames);
    EXPECT_EQ(tNames, tCase.tExpected) << tCase.szCase;
  }
}

// The newest lease valid at some time of a window names it; one that ended before it or begins
// after it does not, and a newer lease without a name names nothing.
TEST(NamesFile, FindsTheNewestLeaseOfAWindow) {
  const std::vector<lease_span_t> tLeases = {
      {"alice", 100, 200}, {"", 200, 300}, {"carol", 250, 260}, {"dave", 400, 400}};
  const struct {
    long long llFrom;
    long long llUntil;
    bool bFound;
    const char* szName;
  } kCases[] = {
      {0, 100, false, ""},       {0, 101, true, "alice"},   {150, 160, true, "alice"},
      {199, 200, true, "alice"}, {150, 210, true, ""},      {200, 250, true, ""},
      {240, 255, true, "carol"}, {259, 300, true, "carol"}, {260, 300, true, ""},
      {300, 500, false, ""},     {0, 1000, true, "carol"},
  };
  for (const auto& tCase : kCases) {
    std::string szName = "unchanged";
    EXPECT_EQ(FindLeaseName(tLeases, tCase.llFrom, tCase.llUntil, szName), tCase.bFound)
        << tCase.llFrom << "-" << tCase.llUntil;
    EXPECT_EQ(szName, tCase.bFound ? tCase.szName : "unchanged") << tCase.llFrom;
  }
}

// The admin's names of a later file replace the earlier; leases of every file are kept in order.
TEST(NamesFile, BooksAdminsNamesApartFromLeases) {
  name_book_t tBook;
  names_t tFirst = {{"10.0.0.1", "alice"}, {"10.0.0.2", "x", kLease, 1, 2}};
  names_t tSecond = {{"10.0.0.1", "bob"}, {"10.0.0.2", "y", kLease, 3, 4}, {"10.0.0.3", "z"}};
  AddNamesToBook(tFirst, tBook);
  AddNamesToBook(tSecond, tBook);
  EXPECT_EQ(tBook.tAdmin.size(), 2u);
  EXPECT_EQ(tBook.tAdmin["10.0.0.1"], "bob");
  EXPECT_EQ(tBook.tAdmin["10.0.0.3"], "z");
  ASSERT_EQ(tBook.tLeases["10.0.0.2"].size(), 2u);
  EXPECT_EQ(tBook.tLeases["10.0.0.2"][0].szName, "x");
  EXPECT_EQ(tBook.tLeases["10.0.0.2"][1].llFrom, 3);
  EXPECT_EQ(tBook.tLeases.count("10.0.0.1"), 0u);
}
