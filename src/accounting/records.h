// Host records, row records, the report range and the date and text helpers they rely on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>

constexpr int kMaxClients = 100;
constexpr int kDaySlots = 31;
constexpr std::size_t kTextBuf = 1024;
// A host key up to 49 characters: an IPv6 address with a /prefix fits.
constexpr std::size_t kIpBuf = 50;
// A byte column up to 20 characters: an exact count below 2^64 fits.
constexpr std::size_t kBytesBuf = 21;

// A calendar date as the decimal YYYYMMDD; printed with %llu.
using date_number_t = unsigned long long;
static_assert(sizeof(date_number_t) == 8, "date numbers are unsigned 64-bit");

// One row of a counter log, as text columns.
struct ipt_data_t {
  char sPackets[9];
  char sBytes[kBytesBuf];
  char sProt[5];
  char sOp[5];
  char sIn[5];
  char sOut[5];
  char sSource[kIpBuf];
  char sDestination[kIpBuf];
};

// One host: traffic and last counter reading per day slot, in MB. A reading of 0 is a reading,
// so a marker per slot tells which slots hold one; the first reading of each direction is kept
// for the comparison with the baseline.
struct data_t {
  char ip[kIpBuf];
  bool has_previous_in[kDaySlots];
  bool has_previous_out[kDaySlots];
  double bytes_in[kDaySlots];
  double bytes_out[kDaySlots];
  double previous_bytes_in[kDaySlots];
  double previous_bytes_out[kDaySlots];
  double first_bytes_in;
  double first_bytes_out;
  int32_t first_day_in;
  int32_t first_day_out;
};

using host_table_t = data_t[kMaxClients];
using day_slots_t = double[kDaySlots];
using day_marks_t = bool[kDaySlots];

// The report range: set by the row accounting, shared by both passes and both tables.
extern date_number_t start_date;
extern date_number_t end_date;

/// Zeroes the report range and forgets which tables were reported full (one run per process;
/// tests start each case with it).
void ResetReportRange();

// ---- text ----

/// Copies `szSource` into a field of `iCapacity` bytes, truncating; always terminates.
/// Returns the length written.
std::size_t CopyText(char* pField, std::size_t iCapacity, std::string_view szSource);

/// True when `szText` begins with `szPrefix`, folding only the ASCII letters A-Z.
bool StartsWithIgnoreCase(std::string_view szText, std::string_view szPrefix);

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

/// Resolves a date filter in place (empty, "today", "today-N", else left as it is) against
/// `tNow`. `pLogFileFilter` holds kTextBuf bytes.
void ProcessSpecialDateParameter(char* pLogFileFilter, time_t tNow);

/// The same against the clock.
void ProcessSpecialDateParameter(char* pLogFileFilter);

// ---- accounting ----

/// Adds one new counter reading (MB) to its day slot: the growth since the previous reading,
/// or the whole reading after a reset or when there is none. A reading of a new day compares
/// with the last reading of the most recent earlier slot that holds one (`has_previous_array`).
void SetDailyBandwidthForHost(int32_t iday_index, double bytes, day_slots_t& bytes_array,
                              const day_slots_t& previous_bytes_array,
                              const day_marks_t& has_previous_array, int32_t iLogFileIsOnANewDate);

/// True when any day slot of the marks holds a reading.
bool HasAnyReading(const day_marks_t& has_previous_array);

/// The megabytes of a byte column: an exact count of up to 20 digits below 2^64, else the
/// listing's rounded form (leading digits, then K, M, G or T anywhere).
double ParseByteColumn(const char* szBytes);

/// True when a byte token is read as it stands: at most 8 characters (the rounded listing), or
/// an exact count of up to 20 digits below 2^64. Rows with any other token are refused.
bool IsByteTokenReadable(std::string_view szToken);

/// Accounts one row of a log into a table: finds or creates the host, stores or accumulates
/// the reading, widens the report range. Writes a message for a day index outside 0-30 and,
/// once per table, for a full table.
void ProcessIPTableRow(const char* pLogFileName, int32_t iDirection, const ipt_data_t& pData,
                       host_table_t& ppBandwidthUsage, int32_t iMaxClientCount,
                       int32_t iLogFileIsOnANewDate);
