// Choosing, from a listing, the logs of one direction's date range and its baseline log.
#include <cstdio>
#include <cstring>

#include "logs/logs.h"

namespace {

// The date of a filter's last eight characters; a shorter filter is read whole.
date_number_t GetFilterDate(const char* szFilter) {
  const std::size_t iLength = std::strlen(szFilter);
  return ParseDateNumber(iLength < 8 ? szFilter : szFilter + iLength - 8);
}

}  // namespace

bool IsWholeDate(std::string_view szFilter) {
  return szFilter.size() == 8 && szFilter.find_first_not_of("0123456789") == std::string_view::npos;
}

scan_plan_t ScanLogListing(const dir_listing_t& tListing, const char* szLogFilePrefix,
                           const char* szLogFileFilterStart, const char* szLogFileFilterEnd) {
  scan_plan_t tPlan;
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
  const char* szInitFile = nullptr;
  date_number_t uiInitFileDate = 0;
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
      if (tPlan.tLogs.empty()) {
        szInitFile = szName;
        uiInitFileDate = uiFileDate;
      }
      continue;
    }
    tPlan.tLogs.push_back(
        {szName, false, iLastDateRangeIndex != iTestInDateRange ? 1 : 0, uiFileDate});
    iLastDateRangeIndex = iTestInDateRange;
    // The baseline: the counters' level just before the range, subtracted by the report. It
    // is read right after the first log of the range.
    if (tPlan.tLogs.size() == 1 && szInitFile != nullptr) {
      tPlan.tLogs.push_back({szInitFile, true, 1, uiInitFileDate});
      tPlan.bHasBaseline = true;
    }
  }
  return tPlan;
}
