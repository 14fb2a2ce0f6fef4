// Host records, host tables, row records, the report range and the date and text helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t kTextBuf = 1024;
// A host key up to 49 characters: an IPv6 address with a /prefix fits.
constexpr std::size_t kIpBuf = 50;

// A calendar date as the decimal YYYYMMDD; printed with %llu.
using date_number_t = unsigned long long;
static_assert(sizeof(date_number_t) == 8, "date numbers are unsigned 64-bit");

// One row of a counter log: its columns as views into the line they were read from (the
// target column, when present, is not kept). A row lives as long as the text it was read from.
struct ipt_data_t {
  std::string_view sPackets;
  std::string_view sBytes;
  std::string_view sProt;
  std::string_view sOp;
  std::string_view sIn;
  std::string_view sOut;
  std::string_view sSource;
  std::string_view sDestination;
  std::string_view sRest;  // what follows the destination: match details, a /* comment */
};

// One calendar day of one direction that holds a reading, counted from the report's start:
// the traffic credited to it and the last counter reading seen on it, in MB.
struct day_reading_t {
  int32_t iDay;
  double bytes;
  double previous_bytes;
};

// One direction of a host: only the days that hold readings, in ascending order, so that a
// year costs what its readings cost and a far-off date costs one entry. The first reading is
// kept for the comparison with the baseline.
struct day_series_t {
  std::vector<day_reading_t> tDays;
  double first_bytes = 0;
  int32_t first_day = 0;
  bool bHasFirst = false;
};

// One host. iPendingStamp and iPending tie it to its summed reading of the file being read.
struct data_t {
  char ip[kIpBuf] = {};
  uint8_t iIpLength = 0;
  std::string szComment;  // the comment of the host's rule in the newest snapshot read
  day_series_t bytes_in;
  day_series_t bytes_out;
  uint32_t iPendingStamp = 0;
  uint32_t iPending = 0;
  uint32_t auiLastFile[2] = {0, 0};  // per direction, the table's stamp of the newest file
                                     // that held a reading of the host
};

// The rows of one host in the file being read, summed into one reading (MB).
struct pending_reading_t {
  int32_t iHost;
  double bytes;
};

// A bucket of a host table's index: a record position + 1 (0: free) and the key's hash.
struct host_bucket_t {
  int32_t iHost;
  uint32_t uiHash;
};

// A host table: records in the order hosts were first seen, an open-addressing index from the
// key (ASCII case folded) to a record, and the readings of the file being read.
// The hosts a table holds at the most: rows of further hosts are left out (and counted), so
// that no directory can make a run take memory without bound. A /16 is 65,536 hosts.
constexpr std::size_t kMaxHosts = 100000;

struct host_table_t {
  std::vector<data_t> tHosts;
  std::vector<host_bucket_t> tIndex;
  std::vector<pending_reading_t> tPending;
  uint32_t iFileStamp = 0;
  int32_t iLastHost = -1;      // the host of the row before: a listing keeps its order
  long long llCappedRows = 0;  // rows of hosts past kMaxHosts, left out
  // The baseline's table: its readings are the counters' levels before the range, all on
  // day 0, and they widen no report range.
  bool bLevels = false;
  // The date of the last file the pass will read (0: not known): no host's day series needs
  // room for days after it.
  date_number_t uiLastFileDate = 0;
};

// The report range, owned by the run and widened by the row accounting: start_date is the date
// of the first file whose readings were accounted, end_date the latest; both passes share it,
// and the baseline's levels never widen it. 0 while nothing was read.
struct report_range_t {
  date_number_t start_date = 0;
  date_number_t end_date = 0;
};

// ---- text ----

/// Copies `szSource` into a field of `iCapacity` bytes, truncating; always terminates.
/// Returns the length written.
std::size_t CopyText(char* pField, std::size_t iCapacity, std::string_view szSource);

/// True when `szText` begins with `szPrefix`, folding only the ASCII letters A-Z.
bool StartsWithIgnoreCase(std::string_view szText, std::string_view szPrefix);

/// True when a host's name is one to show: 1 to 64 printable ASCII characters.
bool IsHostNameShown(std::string_view szName);

/// The text with the ASCII letters A-Z folded to lower case, and nothing else changed.
std::string FoldCase(std::string_view szText);

/// True when both texts are equal, folding only the ASCII letters A-Z.
bool EqualsIgnoreCase(std::string_view szLeft, std::string_view szRight);

/// The value of leading decimal text as atoi reads it (blanks, sign, digits), without its
/// undefined behaviour: out-of-range values wrap to 32 bits as the C library's atoi does.
int32_t ParseInt(const char* szText);

// ---- dates ----

/// The date number of text read like atoi, sign-widened to 64 bits.
date_number_t ParseDateNumber(const char* szText);

/// The date number of the eight characters that begin 14 before the end of a bare file name;
/// 0 for names shorter than 14 characters.
date_number_t GetLogFileDate(std::string_view szFileName);

/// Calendar days from `base_date` to `current_date`, each read as the text YYYYMMDD with
/// months and days out of range carried over; -1 is folded to 0. Needs no time zone.
int32_t GetDayIndex(date_number_t base_date, date_number_t current_date);

// "YYYY-MM-DD" and its terminator, with room for any year a date number can spell.
constexpr std::size_t kIsoDateBuf = 32;

/// Writes the date `iOffset` calendar days after `uiBase` (read as GetDayIndex reads it) as
/// YYYY-MM-DD.
void FormatDayDate(date_number_t uiBase, int32_t iOffset, char (&szDate)[kIsoDateBuf]);

// The years a snapshot's name and a date filter may carry.
constexpr long long kFirstDateYear = 1970;
constexpr long long kLastDateYear = 9999;

/// True for a leap year of the Gregorian calendar.
bool IsLeapYear(long long llYear);

/// The days of a month (1 to 12) of a year; 0 for a month out of range.
int CountMonthDays(long long llYear, int iMonth);

/// Reads eight digits YYYYMMDD that are a real calendar date of the years kFirstDateYear to
/// kLastDateYear; false for anything else.
bool ReadCalendarDate(std::string_view szEight, date_number_t& uiDate);

/// The date llDays calendar days after (before, when negative) a real date; 0 before year 0.
date_number_t ShiftDate(date_number_t uiDate, long long llDays);

// The forms a date filter may take, for messages.
constexpr const char* kDateForms =
    "YYYYMMDD, YYYY-MM-DD, YYYYMM, YYYY-MM, YYYY, today, yesterday, today-N, month, month-N, "
    "year or year-N";

/// The civil date iOffset calendar days after uiBase (read as GetDayIndex reads it).
void GetCivilDate(date_number_t uiBase, int32_t iOffset, long long& llYear, int& iMonth, int& iDay);

/// Days from 1970-01-01 to the date iOffset calendar days after uiBase.
long long CountEpochDays(date_number_t uiBase, int32_t iOffset);

/// Days from 1970-01-01 to a civil date, and back.
long long CountEpochDaysOf(long long llYear, int iMonth, int iDay);
void ConvertEpochDays(long long llDays, long long& llYear, int& iMonth, int& iDay);

/// The billing month a civil date falls in, as year * 12 + month - 1 of the month it starts in:
/// months run from day iPeriodStart (1 to 28; below 1 reads as 1, the calendar month) to the day
/// before it in the next month.
long long CountBillingMonth(long long llYear, int iMonth, int iDay, int32_t iPeriodStart);

/// The first and last day (days from 1970-01-01) of a billing month numbered as
/// CountBillingMonth numbers it.
void GetBillingMonthDays(long long llMonth, int32_t iPeriodStart, long long& llFirst,
                         long long& llLast);

/// Resolves a date filter in place to the eight digits of a whole day, against the local date
/// of `tNow`: empty, "today" and "yesterday"; "today-N", N days back; YYYYMMDD and YYYY-MM-DD;
/// the periods YYYYMM, YYYY-MM, YYYY, "month", "month-N", "year", "year-N" (this or N calendar
/// months or years back), whose first day it gives, or its last for an end filter (`bEnd`).
/// Returns false, leaving the filter as it was, for any other text and for a date outside
/// the years kFirstDateYear to kLastDateYear. `pLogFileFilter` holds kTextBuf bytes. With
/// iPeriodStart above 1, "month" and "month-N" run from that day of a month to the day before it
/// in the next month (billing periods); written months stay calendar months.
bool ProcessSpecialDateParameter(char* pLogFileFilter, time_t tNow, bool bEnd = false,
                                 int32_t iPeriodStart = 1);

// ---- host tables ----

/// The key of a host as the table holds it.
inline std::string_view GetHostKey(const data_t& tHost) {
  return std::string_view(tHost.ip, tHost.iIpLength);
}

/// The position of the host with this key (ASCII case folded), or -1.
int32_t FindHost(const host_table_t& tTable, std::string_view szKey);

/// The position of the host with this key, added at the end when it is new; -1 for a new key
/// when the table holds kMaxHosts hosts.
int32_t FindOrAddHost(host_table_t& tTable, std::string_view szKey);

// ---- accounting ----

/// Adds one new counter reading (MB) to its day: the growth since the previous reading, or the
/// whole reading after a reset or when there is none. The previous reading is the day's own,
/// except for the first file of a new day (iday_index 1 or more) and for a day that holds no
/// reading yet: those compare with the latest earlier day that holds one. Returns the day.
/// iDaysAfter, the days of the pass after this one (-1: not known), bounds the series' room.
day_reading_t& SetDailyBandwidthForHost(int32_t iday_index, double bytes, day_series_t& tSeries,
                                        int32_t iLogFileIsOnANewDate, int32_t iDaysAfter = -1);

/// The room a series of iDays days gets when it holds room for iCapacity: as it is while the
/// days fit, else twice as much, but no more than iMostDays, the days the series can come to
/// (0: not known). A series of every day of a pass so holds its days and nothing more.
std::size_t GetDaySeriesCapacity(std::size_t iDays, std::size_t iCapacity, std::size_t iMostDays);

/// Stores a reading as its day's last one; the first reading of the series is kept as well.
void KeepReading(day_series_t& tSeries, day_reading_t& tDay, double bytes);

/// The day of a series, added in order when it holds no reading yet (iDaysAfter as above).
day_reading_t& GetDayReading(day_series_t& tSeries, int32_t iday_index, int32_t iDaysAfter = -1);

/// The traffic credited to a day of a series (0 for a day without a reading).
double GetDayBytes(const day_series_t& tSeries, int32_t iday_index);

/// The megabytes of a byte token that is a count (see IsByteTokenReadable); false for any
/// other token.
bool ReadByteColumn(std::string_view szToken, double& dMegabytes);

/// True when a byte token is a count: up to 20 digits below 2^64, or at most 8 characters of
/// digits ending in one unit letter K, M, G or T.
bool IsByteTokenReadable(std::string_view szToken);

/// True when a key is an address as a listing prints it: 1 to 49 characters of ASCII letters,
/// digits and . : / _ - !, beginning with a letter, a digit, ':' or '!'.
bool IsHostKeyReadable(std::string_view szKey);

/// Starts the readings of a new file in a table.
void StartLogFileReadings(host_table_t& tTable);

/// The text of a rule's comment ("/* NAME */") in what follows a row's destination, when it
/// is a name to show: 1 to 64 printable ASCII characters; empty otherwise.
std::string_view FindRuleComment(std::string_view szRest);

/// Takes one row of the file being read: finds or adds its host and adds its reading to the
/// host's reading of this file (several rows of one key are one reading). Returns false, and
/// takes nothing, for a row whose byte column or key is not readable.
bool ProcessIPTableRow(int32_t iDirection, const ipt_data_t& pData, host_table_t& ppBandwidthUsage);

/// Accounts the readings of the file being read, in the order their hosts first appear in it:
/// stores or accumulates each into its day and widens the report range to the file's date.
void AccountLogFileReadings(host_table_t& tTable, report_range_t& tRange, int32_t iDirection,
                            date_number_t uiFileDate, int32_t iLogFileIsOnANewDate);
