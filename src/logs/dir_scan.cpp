// Choosing, from a listing, the snapshots of one direction's date range and the candidates for
// its baseline.
#include <algorithm>
#include <cstring>

#include "logs/logs.h"

namespace {

// The date and time part of a snapshot's name: YYYYMMDD and six characters.
constexpr std::size_t kStampLength = 14;

}  // namespace

bool ReadSnapshotName(std::string_view szName, std::string_view szPrefix, std::string_view& szStamp,
                      date_number_t& uiDate) {
  if (szName == "." || szName == ".." || szName.size() < kStampLength ||
      !StartsWithIgnoreCase(szName, szPrefix)) {
    return false;
  }
  // With an empty prefix every name is a candidate, so the stamp is its end; with a prefix it
  // is all that follows it.
  if (!szPrefix.empty() && szName.size() != szPrefix.size() + kStampLength) {
    return false;
  }
  szStamp = szName.substr(szName.size() - kStampLength);
  return ReadCalendarDate(szStamp.substr(0, 8), uiDate);
}

scan_plan_t ScanLogListing(const dir_listing_t& tListing, std::string_view szPrefix,
                           date_number_t uiStart, date_number_t uiEnd) {
  scan_plan_t tPlan;
  for (std::size_t iEntry = 0; iEntry < tListing.tOffsets.size(); ++iEntry) {
    const char* szName = GetListingName(tListing, iEntry);
    const std::string_view szEntry(szName);
    std::string_view szStamp;
    date_number_t uiDate = 0;
    if (!ReadSnapshotName(szEntry, szPrefix, szStamp, uiDate)) {
      // "." and ".." begin with an empty prefix, but are no one's mistake.
      if (!szPrefix.empty() && StartsWithIgnoreCase(szEntry, szPrefix)) {
        if (tPlan.iMisnamed++ == 0) {
          tPlan.szFirstMisnamed = szName;
        }
      }
      continue;
    }
    if (uiDate > uiEnd) {
      continue;
    }
    (uiDate < uiStart ? tPlan.tBaselines : tPlan.tLogs).push_back({szName, szStamp, 0, uiDate});
  }
  // Ordered by the time in the name, whatever the case of the prefix: a listing in byte order
  // puts "IN_" before "in_".
  const auto IsEarlier = [](const planned_log_t& tLeft, const planned_log_t& tRight) {
    return tLeft.szStamp < tRight.szStamp;
  };
  for (std::vector<planned_log_t>* pLogs : {&tPlan.tLogs, &tPlan.tBaselines}) {
    if (!std::is_sorted(pLogs->begin(), pLogs->end(), IsEarlier)) {
      std::stable_sort(pLogs->begin(), pLogs->end(), IsEarlier);
    }
  }
  std::reverse(tPlan.tBaselines.begin(), tPlan.tBaselines.end());
  date_number_t uiLastDate = 0;
  for (planned_log_t& tLog : tPlan.tLogs) {
    tLog.iLogFileIsOnANewDate = tLog.uiFileDate != uiLastDate ? 1 : 0;
    uiLastDate = tLog.uiFileDate;
  }
  for (planned_log_t& tLog : tPlan.tBaselines) {
    tLog.iLogFileIsOnANewDate = 1;
  }
  return tPlan;
}
