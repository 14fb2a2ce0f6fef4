// Reading counter logs and choosing, from a directory listing, the logs of one direction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "accounting/records.h"

// ---- reading a log file ----

// A file larger than this is no snapshot (one of 100,000 hosts is some 10 MB).
constexpr long long kMaxLogFileBytes = 256LL * 1024 * 1024;

// What became of a file handed to the reader.
enum class log_outcome_t {
  kRead,       // read whole; its readings are accounted
  kNotAFile,   // a directory, FIFO, socket or device: passed over
  kSymlink,    // a symbolic link: never followed
  kTooLarge,   // over kMaxLogFileBytes: nothing of it accounted
  kUnreadable  // could not be opened or read (iError says why): nothing of it accounted
};

struct log_read_t {
  log_outcome_t eOutcome = log_outcome_t::kRead;
  int iError = 0;
  int iRefusedRows = 0;
  long long llReadings = 0;  // hosts read from the file, each a reading
  bool bUnhooked = false;    // the chain's title says no rule jumps to it
  char szFullFilePath[kTextBuf] = {};
};

// One file to read and where its readings go.
struct log_file_t {
  const char* szLogPath;
  const char* szLogFile;
  date_number_t uiFileDate;
  int32_t iDirection;
  int32_t iLogFileIsOnANewDate;
  // szLogPath opened once by the caller, the name looked up in it; -1: the joined path is
  // looked up whole.
  int iDirFd = -1;
  // The listing saw a regular file: with iDirFd, it is opened without a look at it first (the
  // open never follows a link nor blocks, and what it opened is looked at all the same).
  bool bListedAsFile = false;
};

/// Joins a directory and a file name, putting a "/" between them where the directory lacks
/// one. Returns false, leaving an empty path, when the result does not fit kTextBuf.
bool JoinLogPath(char (&szFullFilePath)[kTextBuf], const char* szLogPath, const char* szLogFile);

/// Reads one log text held in memory into a table as a file of the given date, as
/// ProcessLogFile reads a file's text.
log_read_t ReadLogText(std::string_view szText, const log_file_t& tFile, host_table_t& tTable,
                       report_range_t& tRange);

/// Reads one log file into a table: a regular file, opened without following a symbolic link,
/// of at most kMaxLogFileBytes. Says what became of it; writes no message.
/// With tFile.iDirFd the name is looked up in that directory alone, not along the whole path.
log_read_t ProcessLogFile(const log_file_t& tFile, host_table_t& tBandwidthUsage,
                          report_range_t& tRange);

// ---- the directory listing ----

// The byte before each name of a listing: what the listing said the entry is.
constexpr char kListedOther = 0;  // not known, or not a regular file
constexpr char kListedFile = 1;   // a regular file when it was listed

// A directory's entry names, "." and ".." included, in ascending byte order.
struct dir_listing_t {
  bool bOpened = false;
  int iOpenError = 0;
  std::vector<char> tNameBytes;         // every name, each after its kListed byte and with its
                                        // terminator
  std::vector<std::uint32_t> tOffsets;  // where each name starts in tNameBytes
};

/// Lists a directory with its names in ascending byte order, without looking at any entry.
/// On failure bOpened is false and iOpenError keeps the reason.
dir_listing_t ListLogDirectory(const char* szLogPath);

/// Orders offsets of NUL-terminated names within pNameBytes by their names in ascending byte
/// order (bytes compared unsigned, as strcmp does).
void SortNameOffsets(std::span<std::uint32_t> tOffsets, const char* pNameBytes);

/// A listing of the given names in the given order, as if read from a directory.
dir_listing_t MakeLogListing(std::span<const std::string_view> tNames);

/// True when the listing saw the entry of a name that points into a listing's names as a
/// regular file (a listing made of given names knows nothing of its entries).
inline bool IsListedAsFile(const char* szListedName) { return szListedName[-1] == kListedFile; }

/// The name at position iIdx of a listing.
inline const char* GetListingName(const dir_listing_t& tListing, std::size_t iIdx) {
  return tListing.tNameBytes.data() + tListing.tOffsets[iIdx];
}

// ---- choosing the logs of one direction ----

// A snapshot's date and time as YYYYMMDDHHMMSS, the form its names are ordered by.
using snapshot_time_t = std::array<char, 14>;

// One snapshot of a pass.
struct planned_log_t {
  const char* szName;            // points into the listing
  std::string_view szStamp;      // the date and time part of the name
  snapshot_time_t tTime;         // the stamp as ordered (see ReadSnapshotTime)
  int32_t iLogFileIsOnANewDate;  // the first snapshot of its day
  date_number_t uiFileDate;
};

struct scan_plan_t {
  std::vector<planned_log_t> tLogs;       // the range, in the order of the names' times
  std::vector<planned_log_t> tBaselines;  // those before the range, the newest first
  std::size_t iMisnamed = 0;              // names with the prefix but not a snapshot's shape
  const char* szFirstMisnamed = nullptr;
};

/// True when a name is a snapshot's: the prefix (ASCII case folded), a calendar date YYYYMMDD
/// of the years kFirstDateYear to kLastDateYear, and exactly six characters; with an empty
/// prefix any name that ends so. Gives the date and time part and the date.
bool ReadSnapshotName(std::string_view szName, std::string_view szPrefix, std::string_view& szStamp,
                      date_number_t& uiDate);

/// The time a snapshot's stamp gives, as YYYYMMDDHHMMSS: six digits are HHMMSS, "_HH-MM"
/// (an earlier collector's style) is HHMM00; any other stamp stays as it is, so that its name
/// keeps its place in byte order.
snapshot_time_t ReadSnapshotTime(std::string_view szStamp);

/// Chooses, from a listing, the snapshots of one direction dated uiStart to uiEnd (whole
/// days), in the order of the times in their names (ties in byte order), and those before uiStart
/// as candidates for the baseline, the newest first.
scan_plan_t ScanLogListing(const dir_listing_t& tListing, std::string_view szPrefix,
                           date_number_t uiStart, date_number_t uiEnd);
