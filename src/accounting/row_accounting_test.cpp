// Tests of accounting single rows into a host table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "accounting/records.h"
#include "time_zone.h"

namespace {

ipt_data_t MakeRow(const char* szBytes, const char* szSource, const char* szDestination) {
  ipt_data_t tRow = {};
  CopyText(tRow.sBytes, sizeof tRow.sBytes, szBytes);
  CopyText(tRow.sSource, sizeof tRow.sSource, szSource);
  CopyText(tRow.sDestination, sizeof tRow.sDestination, szDestination);
  return tRow;
}

class RowAccounting : public testing::Test {
 protected:
  void SetUp() override { ResetReportRange(); }
  void TearDown() override { ResetReportRange(); }
  void In(const char* szFile, const char* szBytes, const char* szHost, int32_t iNewDay = 0) {
    ProcessIPTableRow(szFile, 0, MakeRow(szBytes, "0.0.0.0/0", szHost), tTable_, kMaxClients,
                      iNewDay);
  }
  void Out(const char* szFile, const char* szBytes, const char* szHost, int32_t iNewDay = 0) {
    ProcessIPTableRow(szFile, 1, MakeRow(szBytes, szHost, "0.0.0.0/0"), tTable_, kMaxClients,
                      iNewDay);
  }
  const TimeZone tZone_{"UTC"};
  host_table_t tTable_ = {};
};

}  // namespace

TEST(ByteColumn, ReadsUnitsAndExactCounts) {
  const struct {
    const char* szBytes;
    double dMegabytes;
    bool bReadable;
  } kCases[] = {
      {"123K", 0.123, true},
      {"5M", 5, true},
      {"2G", 2000, true},
      {"1500", 0.0015, true},
      {"0", 0, true},
      {"0G", 0, true},
      {"1.5G", 1000, true},
      {"12M3", 12, true},
      {"5k", 0.000005, true},
      {"7KMG", 0.007, true},
      {"3GM", 3, true},
      {"-5K", -5, true},
      {"abc", 0, true},
      {"99999999", 99.999999, true},
      {"123456789", 123.456789, true},
      {"150000000000", 150000, true},
      {"12345678901234567890", 12345678901234.567890, true},
      {"18446744073709551615", 18446744073709.551615, true},
      {"18446744073709551616", 0, false},
      {"123456789012345678901", 0, false},
      {"1234567K", 1234.567, true},
      {"12345678K", 0, false},
      {"+123456789", 0, false},
  };
  for (const auto& tCase : kCases) {
    EXPECT_EQ(IsByteTokenReadable(tCase.szBytes), tCase.bReadable) << tCase.szBytes;
    if (tCase.bReadable) {
      EXPECT_DOUBLE_EQ(ParseByteColumn(tCase.szBytes), tCase.dMegabytes) << tCase.szBytes;
    }
  }
}

TEST_F(RowAccounting, FirstRowCreatesSlotZeroAndSetsTheRange) {
  In("in_20090425120000", "5M", "10.0.0.1");
  EXPECT_STREQ(tTable_[0].ip, "10.0.0.1");
  EXPECT_EQ(tTable_[0].bytes_in[0], 5);
  EXPECT_EQ(tTable_[0].previous_bytes_in[0], 5);
  EXPECT_EQ(start_date, 20090425ULL);
  EXPECT_EQ(end_date, 20090425ULL);
}

TEST_F(RowAccounting, DirectionPicksTheKeyColumn) {
  In("in_20090425120000", "1M", "10.0.0.1");
  Out("out_20090425120000", "2M", "10.0.0.1");
  Out("out_20090425120000", "3M", "10.0.0.2");
  EXPECT_EQ(tTable_[0].bytes_in[0], 1);
  EXPECT_EQ(tTable_[0].bytes_out[0], 2);
  EXPECT_STREQ(tTable_[1].ip, "10.0.0.2");
  EXPECT_EQ(tTable_[1].bytes_in[0], 0);
  EXPECT_EQ(tTable_[1].bytes_out[0], 3);
}

TEST_F(RowAccounting, MatchesTheWholeKeyIgnoringCase) {
  In("in_20090425120000", "1M", "10.0.0.12");
  In("in_20090425120000", "2M", "10.0.0.1");
  In("in_20090425120000", "4M", "HOST-a");
  In("in_20090425130000", "5M", "host-A");
  EXPECT_STREQ(tTable_[0].ip, "10.0.0.12");
  EXPECT_EQ(tTable_[0].bytes_in[0], 1);
  EXPECT_STREQ(tTable_[1].ip, "10.0.0.1");
  EXPECT_EQ(tTable_[1].bytes_in[0], 2);
  EXPECT_STREQ(tTable_[2].ip, "HOST-a");
  EXPECT_EQ(tTable_[2].bytes_in[0], 5);
  EXPECT_EQ(tTable_[3].ip[0], '\0');
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
  EXPECT_EQ(tTable_[0].ip, szKey16);
  EXPECT_EQ(tTable_[0].bytes_in[0], 3);
  EXPECT_EQ(tTable_[1].ip, szKey49);
  EXPECT_EQ(tTable_[1].bytes_in[0], 4);
  EXPECT_STREQ(tTable_[2].ip, "2001:DB8::A");
  EXPECT_EQ(tTable_[2].bytes_in[0], 6);
  EXPECT_STREQ(tTable_[3].ip, "2001:db8::");
  EXPECT_EQ(tTable_[4].ip[0], '\0');
}

TEST_F(RowAccounting, LaterDaysAccumulateIntoTheirSlots) {
  In("in_20090425120000", "5M", "10.0.0.1");
  In("in_20090425180000", "8M", "10.0.0.1");
  In("in_20090426000000", "9M", "10.0.0.1", 1);
  In("in_20090426060000", "2M", "10.0.0.1");  // reset
  EXPECT_EQ(tTable_[0].bytes_in[0], 8);
  EXPECT_EQ(tTable_[0].bytes_in[1], 3);
  EXPECT_EQ(end_date, 20090426ULL);
}

TEST_F(RowAccounting, AFileBeforeTheStartOverwritesItsSlot) {
  In("in_20090426120000", "5M", "10.0.0.1");
  In("in_20090425120000", "7M", "10.0.0.1");
  In("in_20090425130000", "6M", "10.0.0.1");
  In("in_20090425130000", "4M", "10.0.0.2");
  EXPECT_EQ(start_date, 20090426ULL);
  EXPECT_EQ(tTable_[0].bytes_in[0], 6);
  EXPECT_EQ(tTable_[1].bytes_in[0], 4);
}

TEST_F(RowAccounting, DropsReadingsAfterTheSlotsButWidensTheRange) {
  In("in_20090401120000", "5M", "10.0.0.1");
  testing::internal::CaptureStderr();
  In("in_20090502120000", "9M", "10.0.0.1");
  In("in_20090502120000", "9M", "10.0.0.2");
  const std::string szError = testing::internal::GetCapturedStderr();
  EXPECT_NE(szError.find("In [ProcessIPTableRow] #1 Invalid iday_index value [31]: "),
            std::string::npos);
  EXPECT_NE(szError.find("In [ProcessIPTableRow] #2 Invalid iday_index value [31]: "),
            std::string::npos);
  EXPECT_STREQ(tTable_[1].ip, "10.0.0.2");
  for (int iSlot = 0; iSlot < kDaySlots; ++iSlot) {
    EXPECT_EQ(tTable_[0].bytes_in[iSlot], iSlot == 0 ? 5 : 0);
    EXPECT_EQ(tTable_[1].bytes_in[iSlot], 0);
  }
  EXPECT_EQ(end_date, 20090502ULL);
}

TEST_F(RowAccounting, AnOldBaselineLandsInSlotZero) {
  In("in_20090401120000", "5M", "10.0.0.1");
  testing::internal::CaptureStderr();
  In("in_20090328120000", "3M", "10.0.0.1");
  In("in_20090328120000", "4M", "10.0.0.2");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(tTable_[0].bytes_in[0], 3);
  EXPECT_EQ(tTable_[1].bytes_in[0], 4);
  EXPECT_TRUE(tTable_[1].has_previous_in[0]);
  EXPECT_EQ(start_date, 20090401ULL);
}

TEST_F(RowAccounting, KeepsTheFirstReadingOfEachDirection) {
  Out("out_20090425120000", "0", "10.0.0.1");
  In("in_20090426120000", "7M", "10.0.0.1", 1);
  In("in_20090427120000", "9M", "10.0.0.1", 1);
  Out("out_20090427120000", "2M", "10.0.0.1", 1);
  EXPECT_EQ(tTable_[0].first_bytes_out, 0);
  EXPECT_EQ(tTable_[0].first_day_out, 0);
  EXPECT_EQ(tTable_[0].first_bytes_in, 7);
  EXPECT_EQ(tTable_[0].first_day_in, 1);
  // The reading of 0 on the first day is a reading: 2M grew from it on the third.
  EXPECT_EQ(tTable_[0].bytes_out[2], 2);
}

TEST_F(RowAccounting, AFullTableDropsNewHostsAndWarnsOnce) {
  for (int iHost = 0; iHost < kMaxClients; ++iHost) {
    const std::string szHost = "10.0.1." + std::to_string(iHost);
    In("in_20090425120000", "1M", szHost.c_str());
  }
  testing::internal::CaptureStderr();
  In("in_20090427120000", "1M", "10.9.9.1");
  In("in_20090427120000", "1M", "10.9.9.2");
  In("in_20090427120000", "2M", "10.0.1.7");
  const std::string szError = testing::internal::GetCapturedStderr();
  EXPECT_NE(szError.find("[10.9.9.1]"), std::string::npos) << szError;
  EXPECT_EQ(szError.find("10.9.9.2"), std::string::npos) << szError;
  EXPECT_EQ(std::count(szError.begin(), szError.end(), '\n'), 1);
  EXPECT_EQ(tTable_[7].bytes_in[2], 2);
  EXPECT_EQ(end_date, 20090427ULL);
}

TEST_F(RowAccounting, AFullTableLeavesTheRangeAlone) {
  for (int iHost = 0; iHost < kMaxClients; ++iHost) {
    const std::string szHost = "10.0.1." + std::to_string(iHost);
    In("in_20090425120000", "1M", szHost.c_str());
  }
  testing::internal::CaptureStderr();
  In("in_20090428120000", "1M", "10.9.9.1");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(end_date, 20090425ULL);
}

TEST_F(RowAccounting, IgnoresRowsWithoutAKey) {
  In("in_20090425120000", "5M", "");
  ProcessIPTableRow("in_20090425120000", 0, MakeRow("5M", "", ""), tTable_, kMaxClients, 0);
  EXPECT_EQ(tTable_[0].ip[0], '\0');
  EXPECT_EQ(tTable_[0].bytes_in[0], 0);
  EXPECT_EQ(start_date, 0ULL);
}

TEST_F(RowAccounting, ANameWithoutADateLeavesTheStartOpen) {
  In("short", "5M", "10.0.0.1");
  EXPECT_EQ(start_date, 0ULL);
  In("in_20090425120000", "5M", "10.0.0.2");
  EXPECT_EQ(start_date, 20090425ULL);
}
