// Reading counter logs and choosing, from a directory listing, the logs of one direction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "accounting/records.h"

// ---- splitting a log into rows ----

constexpr int kRowColumns = 8;

// Where a log's text has got to: the rest of a header line, or a row and token in progress.
struct log_split_t {
  int32_t iDirection;
  int iHeaderLinesLeft;
  std::size_t iHeaderLineLength;
  int iColumn;
  bool bInToken;
  std::size_t iTokenLength;
  bool bRowRefused;
  int iRefusedRows;
  ipt_data_t tRow;
};

using log_row_fn = void (*)(void* pContext, const ipt_data_t& tRow);

/// Starts splitting a new log of the given direction (the direction picks the key column).
void StartLogSplit(log_split_t& tSplit, int32_t iDirection);

/// Splits the next bytes of a log, handing each complete row of eight tokens to `pOnRow`.
/// Rows whose byte token is unreadable (IsByteTokenReadable) or whose key token is over 49
/// characters are counted in iRefusedRows instead; other long tokens are cut to their column.
void FeedLogSplit(log_split_t& tSplit, const char* pBytes, std::size_t iLength, log_row_fn pOnRow,
                  void* pContext);

/// Ends the log: a last token ends with it; an incomplete last row is dropped.
void FinishLogSplit(log_split_t& tSplit, log_row_fn pOnRow, void* pContext);

/// Splits a whole log held in memory; returns the number of refused rows.
int SplitLogText(std::string_view szText, int32_t iDirection, log_row_fn pOnRow, void* pContext);

// ---- reading a log file ----

// Where the rows of one log go: handed to AccountLogRow as its context.
struct log_row_target_t {
  const char* szLogFile;
  host_table_t* pTable;
  int32_t iDirection;
  int32_t iLogFileIsOnANewDate;
};

/// Accounts one split row into the target's table (a log_row_fn; the context is a
/// log_row_target_t).
void AccountLogRow(void* pContext, const ipt_data_t& tRow);

/// Joins a directory and a file name, putting a "/" between them where the directory lacks
/// one. Returns false, leaving an empty path, when the result does not fit kTextBuf.
bool JoinLogPath(char (&szFullFilePath)[kTextBuf], const char* szLogPath, const char* szLogFile);

/// Reads one log file into a table. Anything that cannot be opened without blocking or is not
/// a regular file accounts nothing, silently; refused rows are counted in one message.
void ProcessLogFile(const char* szLogPath, const char* szLogFile, host_table_t& tBandwidthUsage,
                    int32_t iDirection, int32_t iLogFileIsOnANewDate);

// ---- the directory listing ----

// A directory's entry names, "." and ".." included, in the order the scan takes them.
struct dir_listing_t {
  bool bOpened = false;
  int iOpenError = 0;
  std::vector<char> tNameBytes;         // every name, each with its terminator
  std::vector<std::uint32_t> tOffsets;  // where each name starts in tNameBytes
};

/// Lists a directory with its names in ascending byte order, without looking at any entry.
/// On failure bOpened is false and iOpenError keeps the reason.
dir_listing_t ListLogDirectory(const char* szLogPath);

/// A listing of the given names in the given order, as if read from a directory.
dir_listing_t MakeLogListing(std::span<const std::string_view> tNames);

/// The name at position iIdx of a listing.
inline const char* GetListingName(const dir_listing_t& tListing, std::size_t iIdx) {
  return tListing.tNameBytes.data() + tListing.tOffsets[iIdx];
}

// ---- choosing the logs of one direction ----

using log_read_fn = void (*)(void* pContext, const char* szLogPath, const char* szLogFile,
                             host_table_t& tTable, int32_t iDirection,
                             int32_t iLogFileIsOnANewDate);

/// Walks a listing once for one direction: reads the logs of the date range into the usage
/// table and the last excluded log before the first included one into the init table, all
/// through `pReadLog`. A listing that could not be opened gives "Couldn't open the directory".
void ScanLogListing(const dir_listing_t& tListing, const char* szLogPath,
                    const char* szLogFilePrefix, int32_t iDirection,
                    const char* szLogFileFilterStart, const char* szLogFileFilterEnd,
                    host_table_t& tBandwidthUsage, host_table_t& tBandwidthUsageInitValue,
                    log_read_fn pReadLog, void* pContext);

/// One pass of a run over an already listed directory, reading files with ProcessLogFile.
void ProcessTrafficByDirectionFlow(const dir_listing_t& tListing, const char* szLogPath,
                                   const char* szLogFilePrefix, int32_t iDirection,
                                   const char* szLogFileFilterStart, const char* szLogFileFilterEnd,
                                   host_table_t& tBandwidthUsage,
                                   host_table_t& tBandwidthUsageInitValue);
