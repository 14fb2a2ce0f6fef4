// Choosing, from a listing, the logs of one direction's date range and its baseline log.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "logs/logs.h"

namespace {

// The date of a filter's last eight characters; a shorter filter is read whole.
date_number_t GetFilterDate(const char* szFilter) {
  const std::size_t iLength = std::strlen(szFilter);
  return ParseDateNumber(iLength < 8 ? szFilter : szFilter + iLength - 8);
}

// Exactly eight digits: a whole day, as opposed to a prefix or a date with an hour.
bool IsWholeDate(std::string_view szFilter) {
  return szFilter.size() == 8 && szFilter.find_first_not_of("0123456789") == std::string_view::npos;
}

void ReadLogFile(void* /*pContext*/, const char* szLogPath, const char* szLogFile,
                 host_table_t& tTable, int32_t iDirection, int32_t iLogFileIsOnANewDate) {
  ProcessLogFile(szLogPath, szLogFile, tTable, iDirection, iLogFileIsOnANewDate);
}

}  // namespace

void ScanLogListing(const dir_listing_t& tListing, const char* szLogPath,
                    const char* szLogFilePrefix, int32_t iDirection,
                    const char* szLogFileFilterStart, const char* szLogFileFilterEnd,
                    host_table_t& tBandwidthUsage, host_table_t& tBandwidthUsageInitValue,
                    log_read_fn pReadLog, void* pContext) {
  if (!tListing.bOpened) {
    errno = tListing.iOpenError;
    std::perror("Couldn't open the directory");
    return;
  }
  char szStartFile[kTextBuf] = {};
  char szEndFile[kTextBuf] = {};
  std::snprintf(szStartFile, sizeof szStartFile, "%s%s", szLogFilePrefix, szLogFileFilterStart);
  std::snprintf(szEndFile, sizeof szEndFile, "%s%s", szLogFilePrefix, szLogFileFilterEnd);
  const std::string_view szPrefix(szLogFilePrefix);
  const std::string_view szStart(szStartFile);
  const std::string_view szEnd(szEndFile);
  const date_number_t uiStartFileDate = GetFilterDate(szLogFileFilterStart);
  const date_number_t uiEndFileDate = GetFilterDate(szLogFileFilterEnd);
  const int32_t iMaxDateRangeIndex = GetDayIndex(uiStartFileDate, uiEndFileDate);
  // Without a snapshot of the end day there is no end match; a whole end date still ends the
  // walk, or it would run on to the end of the directory.
  const date_number_t uiWalkEnd =
      IsWholeDate(szLogFileFilterEnd) ? uiEndFileDate : ~date_number_t{0};

  int32_t iLastDateRangeIndex = -1;
  bool bFoundAndUsedPreviousFile = false;
  char szInitFile[kTextBuf] = {};
  date_number_t uiFirstMatchedFileDate = 0;
  date_number_t uiLastMatchedFileDate = 0;

  for (std::size_t iEntry = 0; iEntry < tListing.tOffsets.size(); ++iEntry) {
    const char* szName = GetListingName(tListing, iEntry);
    const std::string_view szEntry(szName);
    if (!StartsWithIgnoreCase(szEntry, szPrefix)) {
      continue;
    }
    const date_number_t uiFileDate = GetLogFileDate(szEntry);
    const bool iFoundStartFileFilter = StartsWithIgnoreCase(szEntry, szStart);
    const bool iFoundEndFileFilter = StartsWithIgnoreCase(szEntry, szEnd);
    if (uiFirstMatchedFileDate == 0 && iFoundStartFileFilter) {
      uiFirstMatchedFileDate = uiFileDate;
    }
    if (uiLastMatchedFileDate == 0 && iFoundEndFileFilter) {
      uiLastMatchedFileDate = uiFileDate;
    }
    const int32_t iTestInDateRange = GetDayIndex(uiStartFileDate, uiFileDate);
    // A name that begins with a filter is in; so is anything after a start match until the
    // first end match; otherwise the day index decides.
    const bool iIncludeFileInCalcs =
        iFoundStartFileFilter || iFoundEndFileFilter ||
        (uiFirstMatchedFileDate != 0 && uiFileDate >= uiFirstMatchedFileDate &&
         uiLastMatchedFileDate == 0 && uiFileDate <= uiWalkEnd) ||
        (iTestInDateRange >= 0 && iTestInDateRange <= iMaxDateRangeIndex &&
         uiFileDate >= uiStartFileDate);
    if (!iIncludeFileInCalcs) {
      if (!bFoundAndUsedPreviousFile) {
        CopyText(szInitFile, sizeof szInitFile, szEntry);
      }
      continue;
    }
    pReadLog(pContext, szLogPath, szName, tBandwidthUsage, iDirection,
             iLastDateRangeIndex != iTestInDateRange ? 1 : 0);
    iLastDateRangeIndex = iTestInDateRange;
    if (!bFoundAndUsedPreviousFile) {
      bFoundAndUsedPreviousFile = true;
      // The baseline: the counters' level just before the range, subtracted by the report.
      if (szInitFile[0] != '\0') {
        pReadLog(pContext, szLogPath, szInitFile, tBandwidthUsageInitValue, iDirection, 1);
      }
    }
  }
}

void ProcessTrafficByDirectionFlow(const dir_listing_t& tListing, const char* szLogPath,
                                   const char* szLogFilePrefix, int32_t iDirection,
                                   const char* szLogFileFilterStart, const char* szLogFileFilterEnd,
                                   host_table_t& tBandwidthUsage,
                                   host_table_t& tBandwidthUsageInitValue) {
  ScanLogListing(tListing, szLogPath, szLogFilePrefix, iDirection, szLogFileFilterStart,
                 szLogFileFilterEnd, tBandwidthUsage, tBandwidthUsageInitValue, ReadLogFile,
                 nullptr);
}
