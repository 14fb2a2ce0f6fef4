// Tests of accounting the rows of log files into a host table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "accounting/records.h"
#include "time_zone.h"

namespace {

ipt_data_t MakeRow(std::string_view szBytes, std::string_view szSource,
                   std::string_view szDestination) {
  ipt_data_t tRow = {};
  tRow.sBytes = szBytes;
  tRow.sSource = szSource;
  tRow.sDestination = szDestination;
  return tRow;
}

struct row_t {
  const char* szBytes;
  const char* szHost;
};

class RowAccounting : public testing::Test {
 protected:
  // Accounts a file of rows in one direction; returns the number of refused rows.
  int File(int32_t iDirection, const char* szFile, std::initializer_list<row_t> tRows,
           int32_t iNewDay = 0) {
    StartLogFileReadings(tTable_);
    int iRefused = 0;
    for (const row_t& tRow : tRows) {
      const ipt_data_t tData = iDirection == 0 ? MakeRow(tRow.szBytes, "0.0.0.0/0", tRow.szHost)
                                               : MakeRow(tRow.szBytes, tRow.szHost, "0.0.0.0/0");
      iRefused += ProcessIPTableRow(iDirection, tData, tTable_) ? 0 : 1;
    }
    AccountLogFileReadings(tTable_, tRange_, iDirection, GetLogFileDate(szFile), iNewDay);
    return iRefused;
  }
  void In(const char* szFile, const char* szBytes, const char* szHost, int32_t iNewDay = 0) {
    File(0, szFile, {{szBytes, szHost}}, iNewDay);
  }
  void Out(const char* szFile, const char* szBytes, const char* szHost, int32_t iNewDay = 0) {
    File(1, szFile, {{szBytes, szHost}}, iNewDay);
  }
  const data_t& Host(std::size_t iIdx) const { return tTable_.tHosts.at(iIdx); }
  double InDay(std::size_t iIdx, int32_t iDay) const {
    return GetDayBytes(Host(iIdx).bytes_in, iDay);
  }
  double OutDay(std::size_t iIdx, int32_t iDay) const {
    return GetDayBytes(Host(iIdx).bytes_out, iDay);
  }
  const TimeZone tZone_{"UTC"};
  host_table_t tTable_;
  report_range_t tRange_;
};

}  // namespace

TEST(ByteColumn, ReadsUnitsAndExactCountsAndRefusesTheRest) {
  const struct {
    const char* szBytes;
    double dMegabytes;
    bool bReadable;
  } kCases[] = {
      {"123K", 0.123, true},
      {"5M", 5, true},
      {"2G", 2000, true},
      {"3T", 3000000, true},
      {"1500", 0.0015, true},
      {"0", 0, true},
      {"0G", 0, true},
      {"99999999", 99.999999, true},
      {"123456789", 123.456789, true},
      {"150000000000", 150000, true},
      {"12345678901234567890", 12345678901234.567890, true},
      {"18446744073709551615", 18446744073709.551615, true},
      {"1234567K", 1234.567, true},
      {"1234567890123456789", 1234567890123.456789, true},
      {"00000000000000000001", 0.000001, true},
      // Eight digits are read at once: each place counts, and so do the digits after them.
      {"90817263", 90.817263, true},
      {"00000009", 0.000009, true},
      {"42273879816447", 42273879.816447, true},
      {"1000000000000000", 1000000000, true},
      {"9876543210", 9876.543210, true},
      {"12345678G", 0, false},
      {"1234567:", 0, false},
      {"/2345678", 0, false},
      {"123 5678", 0, false},
      {"1234\x80"
       "678",
       0, false},
      {"12345678/", 0, false},
      {"1234567890123:", 0, false},
      // Nothing iptables prints: refused instead of guessed at.
      {"1.5G", 0, false},
      {"12M3", 0, false},
      {"5k", 0, false},
      {"7KMG", 0, false},
      {"-5K", 0, false},
      {"abc", 0, false},
      {"", 0, false},
      {"K", 0, false},
      {"=1+1", 0, false},
      {"<b>", 0, false},
      {"1\x1b[2J", 0, false},
      {"18446744073709551616", 0, false},
      {"123456789012345678901", 0, false},
      {"12345678K", 0, false},
      {"+123456789", 0, false},
  };
  for (const auto& tCase : kCases) {
    double dMegabytes = -1;
    EXPECT_EQ(ReadByteColumn(tCase.szBytes, dMegabytes), tCase.bReadable) << tCase.szBytes;
    EXPECT_EQ(IsByteTokenReadable(tCase.szBytes), tCase.bReadable) << tCase.szBytes;
    if (tCase.bReadable) {
      EXPECT_DOUBLE_EQ(dMegabytes, tCase.dMegabytes) << tCase.szBytes;
    }
  }
}

TEST(HostKey, TakesAddressesAndRefusesJunk) {
  const std::string szKey49 = "2001:0db8:85a3:0000:0000:8a2e:0370:7334/128" + std::string(6, '0');
  const struct {
    std::string szKey;
    bool bReadable;
  } kCases[] = {
      {"10.0.0.1", true},
      {"192.168.100.0/24", true},
      {"2001:db8::1", true},
      {"::1", true},
      {"!10.0.0.9", true},
      {"router-2.lan", true},
      {"host_a", true},
      {szKey49, true},
      {szKey49 + "0", false},
      {"", false},
      {"-f", false},
      {".hidden", false},
      {"/24", false},
      {"=HYPERLINK(1)", false},
      {"<script>", false},
      {"a\x1b[2Jb", false},
      {"bob's", false},
      {"10.0.0.1,x", false},
      {std::string("a\0b", 3), false},
      {"\xc3\xa9t\xc3\xa9", false},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(IsHostKeyReadable(tCase.szKey), tCase.bReadable) << tCase.szKey;
  }
}

TEST_F(RowAccounting, FirstRowCreatesDayZeroAndSetsTheRange) {
  In("in_20090425120000", "5M", "10.0.0.1");
  EXPECT_STREQ(Host(0).ip, "10.0.0.1");
  EXPECT_EQ(InDay(0, 0), 5);
  EXPECT_EQ(tRange_.start_date, 20090425ULL);
  EXPECT_EQ(tRange_.end_date, 20090425ULL);
}

TEST_F(RowAccounting, DirectionPicksTheKeyColumn) {
  In("in_20090425120000", "1M", "10.0.0.1");
  Out("out_20090425120000", "2M", "10.0.0.1");
  Out("out_20090425120000", "3M", "10.0.0.2");
  EXPECT_EQ(InDay(0, 0), 1);
  EXPECT_EQ(OutDay(0, 0), 2);
  EXPECT_STREQ(Host(1).ip, "10.0.0.2");
  EXPECT_EQ(InDay(1, 0), 0);
  EXPECT_EQ(OutDay(1, 0), 3);
}

TEST_F(RowAccounting, MatchesTheWholeKeyIgnoringCase) {
  In("in_20090425120000", "1M", "10.0.0.12");
  In("in_20090425120000", "2M", "10.0.0.1");
  In("in_20090425120000", "4M", "HOST-a");
  In("in_20090425130000", "5M", "host-A");
  EXPECT_STREQ(Host(0).ip, "10.0.0.12");
  EXPECT_EQ(InDay(0, 0), 1);
  EXPECT_STREQ(Host(1).ip, "10.0.0.1");
  EXPECT_EQ(InDay(1, 0), 2);
  EXPECT_STREQ(Host(2).ip, "HOST-a");
  EXPECT_EQ(InDay(2, 0), 5);
  EXPECT_EQ(tTable_.tHosts.size(), 3u);
}

TEST_F(RowAccounting, HoldsWholeKeysUpTo49Characters) {
  const std::string szKey16 = "192.168.100.0/24";
  const std::string szKey49 = "2001:0db8:85a3:0000:0000:8a2e:0370:7334/128" + std::string(6, '0');
  In("in_20090425120000", "1M", szKey16.c_str());
  In("in_20090425130000", "3M", szKey16.c_str());
  In("in_20090425120000", "1M", szKey49.c_str());
  In("in_20090425130000", "4M", szKey49.c_str());
  In("in_20090425120000", "1M", "2001:DB8::A");
  In("in_20090425130000", "6M", "2001:db8::a");
  In("in_20090425130000", "2M", "2001:db8::");
  EXPECT_EQ(Host(0).ip, szKey16);
  EXPECT_EQ(InDay(0, 0), 3);
  EXPECT_EQ(Host(1).ip, szKey49);
  EXPECT_EQ(InDay(1, 0), 4);
  EXPECT_STREQ(Host(2).ip, "2001:DB8::A");
  EXPECT_EQ(InDay(2, 0), 6);
  EXPECT_STREQ(Host(3).ip, "2001:db8::");
  EXPECT_EQ(tTable_.tHosts.size(), 4u);
}

TEST_F(RowAccounting, LaterDaysAccumulateIntoTheirDays) {
  In("in_20090425120000", "5M", "10.0.0.1");
  In("in_20090425180000", "8M", "10.0.0.1");
  In("in_20090426000000", "9M", "10.0.0.1", 1);
  In("in_20090426060000", "2M", "10.0.0.1");  // reset
  EXPECT_EQ(InDay(0, 0), 8);
  EXPECT_EQ(InDay(0, 1), 3);
  EXPECT_EQ(tRange_.end_date, 20090426ULL);
}

TEST_F(RowAccounting, AFileBeforeTheStartOverwritesItsDay) {
  In("in_20090426120000", "5M", "10.0.0.1");
  In("in_20090425120000", "7M", "10.0.0.1");
  In("in_20090425130000", "6M", "10.0.0.1");
  In("in_20090425130000", "4M", "10.0.0.2");
  EXPECT_EQ(tRange_.start_date, 20090426ULL);
  EXPECT_EQ(InDay(0, 0), 6);
  EXPECT_EQ(InDay(1, 0), 4);
}

TEST_F(RowAccounting, AccountsAnyDayAfterTheStart) {
  In("in_20090101120000", "5M", "10.0.0.1");
  In("in_20090502120000", "9M", "10.0.0.1", 1);
  In("in_20091231120000", "12M", "10.0.0.1", 1);
  In("in_20091231120000", "7M", "10.0.0.2", 1);
  // A date centuries away is one more day, not a day for every one in between.
  In("in_29991231120000", "20M", "10.0.0.1", 1);
  EXPECT_EQ(InDay(0, 121), 4);
  EXPECT_EQ(InDay(0, 364), 3);
  EXPECT_EQ(InDay(1, 364), 7);
  EXPECT_EQ(InDay(0, 361954), 8);
  EXPECT_EQ(Host(0).bytes_in.tDays.size(), 4u);
  EXPECT_EQ(tRange_.end_date, 29991231ULL);
}

TEST_F(RowAccounting, AnOldBaselineLandsOnDayZero) {
  In("in_20090401120000", "5M", "10.0.0.1");
  In("in_20090328120000", "3M", "10.0.0.1");
  In("in_20090328120000", "4M", "10.0.0.2");
  EXPECT_EQ(InDay(0, 0), 3);
  EXPECT_EQ(InDay(1, 0), 4);
  EXPECT_EQ(tRange_.start_date, 20090401ULL);
}

TEST_F(RowAccounting, KeepsTheFirstReadingOfEachDirection) {
  Out("out_20090425120000", "0", "10.0.0.1");
  In("in_20090426120000", "7M", "10.0.0.1", 1);
  In("in_20090427120000", "9M", "10.0.0.1", 1);
  Out("out_20090427120000", "2M", "10.0.0.1", 1);
  EXPECT_EQ(Host(0).bytes_out.first_bytes, 0);
  EXPECT_EQ(Host(0).bytes_out.first_day, 0);
  EXPECT_EQ(Host(0).bytes_in.first_bytes, 7);
  EXPECT_EQ(Host(0).bytes_in.first_day, 1);
  // The reading of 0 on the first day is a reading: 2M grew from it on the third.
  EXPECT_EQ(OutDay(0, 2), 2);
}

TEST_F(RowAccounting, HoldsAnyNumberOfHostsInTheOrderFirstSeen) {
  for (int iHost = 0; iHost < 1500; ++iHost) {
    const std::string szHost = "10.0." + std::to_string(iHost / 250) + "." + std::to_string(iHost);
    In("in_20090425120000", "1M", szHost.c_str());
    In("in_20090426120000", "3M", szHost.c_str(), 1);
  }
  ASSERT_EQ(tTable_.tHosts.size(), 1500u);
  EXPECT_STREQ(Host(1499).ip, "10.0.5.1499");
  EXPECT_EQ(InDay(1499, 1), 2);
  EXPECT_EQ(FindHost(tTable_, "10.0.0.7"), 7);
  EXPECT_EQ(FindHost(tTable_, "10.0.0.7/32"), -1);
}

// A row's host is first looked for after the row before's: a key that differs from that one
// only in its last bytes (past the eighth, the sixteenth) is another host.
TEST_F(RowAccounting, AKeyAlikeInItsFirstBytesIsAnotherHost) {
  const struct {
    const char* szFirst;  // the hosts of the first file, in its order
    const char* szSecond;
  } kCases[] = {
      {"10.0.0.12", "10.0.0.13"},
      {"10.0.0.1", "10.0.0.2"},
      {"192.168.1.10", "192.168.1.11"},
      {"2001:db8:1:2:3:4:5:6", "2001:db8:1:2:3:4:5:7"},
      {"2001:db8:1:2:3:4:5:abcd", "2001:db8:1:2:3:4:5:abce"},
      {"fd00:aaaa:bbbb:cccc:1", "fd00:aaaa:bbbb:cccc:2"},
  };
  for (const auto& tCase : kCases) {
    tTable_ = {};
    tRange_ = {};
    File(0, "in_20090425120000", {{"1000", "10.9.9.9"}, {"2000", tCase.szFirst}});
    File(0, "in_20090425130000",
         {{"1500", "10.9.9.9"}, {"7000", tCase.szSecond}, {"2600", tCase.szFirst}});
    ASSERT_EQ(tTable_.tHosts.size(), 3u) << tCase.szSecond;
    EXPECT_STREQ(Host(2).ip, tCase.szSecond);
    EXPECT_DOUBLE_EQ(InDay(0, 0), 0.0015) << tCase.szSecond;
    EXPECT_DOUBLE_EQ(InDay(1, 0), 0.0026) << tCase.szSecond;
    EXPECT_DOUBLE_EQ(InDay(2, 0), 0.007) << tCase.szSecond;
  }
}
TEST_F(RowAccounting, RowsOfOneKeyInAFileAreOneReading) {
  const struct {
    const char* szCase;
    std::vector<row_t> tFirst;
    std::vector<row_t> tSecond;
    double dDayOne;
    int iRefused;
  } kCases[] = {
      {"two rules of a host",
       {{"3M", "10.0.0.1"}, {"1M", "10.0.0.1"}},
       {{"5M", "10.0.0.1"}, {"1500K", "10.0.0.1"}},
       2.5,
       0},
      {"three rules, units and case mixed",
       {{"1M", "2001:db8::A"}, {"500K", "2001:DB8::a"}, {"250000", "2001:db8::a"}},
       {{"2M", "2001:db8::a"}, {"1M", "2001:db8::A"}, {"1000000", "2001:DB8::A"}},
       2.25,
       0},
      {"one row of three refused",
       {{"1M", "10.0.0.1"}, {"1M", "10.0.0.1"}},
       {{"2M", "10.0.0.1"}, {"1.5G", "10.0.0.1"}, {"1M", "10.0.0.1"}},
       1,
       1},
  };
  for (const auto& tCase : kCases) {
    tRange_ = {};
    tTable_ = {};
    int iRefused = 0;
    StartLogFileReadings(tTable_);
    for (const row_t& tRow : tCase.tFirst) {
      iRefused += ProcessIPTableRow(0, MakeRow(tRow.szBytes, "0/0", tRow.szHost), tTable_) ? 0 : 1;
    }
    AccountLogFileReadings(tTable_, tRange_, 0, 20090425, 1);
    StartLogFileReadings(tTable_);
    for (const row_t& tRow : tCase.tSecond) {
      iRefused += ProcessIPTableRow(0, MakeRow(tRow.szBytes, "0/0", tRow.szHost), tTable_) ? 0 : 1;
    }
    AccountLogFileReadings(tTable_, tRange_, 0, 20090426, 1);
    ASSERT_EQ(tTable_.tHosts.size(), 1u) << tCase.szCase;
    EXPECT_DOUBLE_EQ(InDay(0, 1), tCase.dDayOne) << tCase.szCase;
    EXPECT_EQ(iRefused, tCase.iRefused) << tCase.szCase;
  }
}

TEST_F(RowAccounting, AHostWhoseDayBeganWithoutItComparesWithItsLastReading) {
  In("in_20090425120000", "10M", "10.0.0.1");
  In("in_20090425120000", "50M", "10.0.0.2");
  // The day's first file lacks 10.0.0.1; its next file must not count the whole counter.
  In("in_20090426000000", "60M", "10.0.0.2", 1);
  In("in_20090426060000", "22M", "10.0.0.1");
  EXPECT_EQ(InDay(0, 1), 12);
  EXPECT_EQ(InDay(1, 1), 10);
}

TEST_F(RowAccounting, RefusesRowsWithoutAReadableKeyOrCounter) {
  EXPECT_EQ(File(0, "in_20090425120000",
                 {{"5M", ""}, {"5M", "\x01\x02"}, {"1.5G", "10.0.0.1"}, {"5M", "=cmd|x"}}),
            4);
  EXPECT_TRUE(tTable_.tHosts.empty());
  EXPECT_EQ(tRange_.start_date, 0ULL);
}

TEST_F(RowAccounting, ANameWithoutADateLeavesTheStartOpen) {
  In("short", "5M", "10.0.0.1");
  EXPECT_EQ(tRange_.start_date, 0ULL);
  In("in_20090425120000", "5M", "10.0.0.2");
  EXPECT_EQ(tRange_.start_date, 20090425ULL);
}
