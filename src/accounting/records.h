// Host records, host tables, row records, the report range, and the accounting of rows into them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/dates.h"
#include "accounting/text.h"

// A host key up to 49 characters: an IPv6 address with a /prefix fits.
constexpr std::size_t kIpBuf = 50;

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
  // The day indexes of the last file's date and of uiLastFileDate.
  day_index_memo_t tFileDay;
  day_index_memo_t tLastFileDay;
};

// The report range, owned by the run and widened by the row accounting: start_date is the date
// of the first file whose readings were accounted, end_date the latest; both passes share it,
// and the baseline's levels never widen it. 0 while nothing was read.
struct report_range_t {
  date_number_t start_date = 0;
  date_number_t end_date = 0;
};

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
