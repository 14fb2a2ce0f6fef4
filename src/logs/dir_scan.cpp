// Choosing, from a listing, the snapshots of one direction's date range and the candidates for
// its baseline.
#include <algorithm>
#include <cstring>

#include "logs/logs.h"

namespace {

// The date and time part of a snapshot's name: YYYYMMDD and six characters.
constexpr std::size_t kStampLength = 14;

bool IsDigits(std::string_view szText) {
  return std::all_of(szText.begin(), szText.end(),
                     [](char cChar) { return cChar >= '0' && cChar <= '9'; });
}

}  // namespace

snapshot_time_t ReadSnapshotTime(std::string_view szStamp) {
  snapshot_time_t tTime = {};
  szStamp.substr(0, tTime.size()).copy(tTime.data(), tTime.size());
  if (szStamp.size() != kStampLength) {
    return tTime;
  }
  // "_09-00" sorts after "130000" byte by byte, though it is the earlier time.
  const std::string_view szClock = szStamp.substr(8);
  if (szClock[0] == '_' && szClock[3] == '-' && IsDigits(szClock.substr(1, 2)) &&
      IsDigits(szClock.substr(4, 2))) {
    const char acTime[6] = {szClock[1], szClock[2], szClock[4], szClock[5], '0', '0'};
    std::copy_n(acTime, 6, tTime.begin() + 8);
  }
  return tTime;
}

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
    (uiDate < uiStart ? tPlan.tBaselines : tPlan.tLogs)
        .push_back({szName, szStamp, ReadSnapshotTime(szStamp), 0, uiDate});
  }
  // Ordered by the time in the name, whatever the case of the prefix (a listing in byte order
  // puts "IN_" before "in_") and whatever the style of the time.
  const auto IsEarlier = [](const planned_log_t& tLeft, const planned_log_t& tRight) {
    return tLeft.tTime != tRight.tTime ? tLeft.tTime < tRight.tTime
                                       : tLeft.szStamp < tRight.szStamp;
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
