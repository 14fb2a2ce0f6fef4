// The run sequence: both passes, each its snapshots of the range and then its baseline, and
// what was left out or looks wrong, said once each.
#include "run/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "logs/loss_events.h"

namespace {

// The snapshot directory's descriptor, closed on every way out.
struct directory_fd_t {
  int iFd = -1;
  explicit directory_fd_t(int iOpened) : iFd(iOpened) {}
  directory_fd_t(const directory_fd_t&) = delete;
  directory_fd_t& operator=(const directory_fd_t&) = delete;
  ~directory_fd_t() {
    if (iFd >= 0) {
      close(iFd);
    }
  }
};

// Hosts that vanished are named one a line up to this many; the rest are counted.
constexpr std::size_t kVanishedShown = 20;

std::string FormatDate(date_number_t uiDate) {
  char szDate[kIsoDateBuf];
  FormatDayDate(uiDate, 0, szDate);
  return szDate;
}

// Says what became of a file that was not read whole; anything left out makes the status 1.
void ReportLogRead(const log_read_t& tRead, run_t& tRun) {
  if (tRead.eOutcome == log_outcome_t::kRead && tRead.iRefusedRows == 0 && !tRead.bUnhooked) {
    return;
  }
  const std::string szFile = ShowText(tRead.szFullFilePath);
  switch (tRead.eOutcome) {
    case log_outcome_t::kRead: break;
    case log_outcome_t::kNotAFile:
      Warn("passed over [%s]: not a regular file, no snapshot", szFile.c_str());
      break;
    case log_outcome_t::kSymlink:
      Warn("skipped [%s]: a symbolic link is never followed", szFile.c_str());
      tRun.bIncomplete = true;
      break;
    case log_outcome_t::kTooLarge:
      Warn("refused [%s]: larger than 256 MiB, no snapshot", szFile.c_str());
      tRun.bIncomplete = true;
      break;
    case log_outcome_t::kUnreadable:
      WarnError(tRead.iError, "couldn't read [%s]", szFile.c_str());
      tRun.bIncomplete = true;
      break;
  }
  if (tRead.iRefusedRows > 0) {
    Warn(
        "refused %d rows of [%s]: not a counter row (fewer than eight columns, a byte counter "
        "that is no count, or a host column that is no address)",
        tRead.iRefusedRows, szFile.c_str());
    tRun.bIncomplete = true;
  }
  if (tRead.eOutcome == log_outcome_t::kRead && tRead.bUnhooked) {
    Warn(
        "[%s] counted nothing since its chain was unhooked: its title says 0 references (set "
        "the chains up again)",
        szFile.c_str());
    tRun.bIncomplete = true;
  }
}

// The newest snapshot before the range that was read and held readings: others are passed
// over, each said.
bool ReadBaseline(const run_request_t& tRequest, const scan_plan_t& tPlan, int32_t iDirection,
                  int iDirFd, run_t& tRun) {
  for (const planned_log_t& tLog : tPlan.tBaselines) {
    const log_file_t tFile = {
        tRequest.szLogPath,         tLog.szName, tLog.uiFileDate, iDirection, 1, iDirFd,
        IsListedAsFile(tLog.szName)};
    const log_read_t tRead = ProcessLogFile(tFile, tRun.tBandwidthUsageInitValue, tRun.tRange);
    // A file that was read but holds no reading is no baseline, junk or not: passed over, it
    // leaves nothing out.
    if (tRead.eOutcome == log_outcome_t::kRead && tRead.llReadings == 0) {
      Warn("[%s] holds no counter row: not taken as the baseline",
           ShowText(tRead.szFullFilePath).c_str());
      continue;
    }
    ReportLogRead(tRead, tRun);
    if (tRead.eOutcome == log_outcome_t::kRead) {
      return true;
    }
  }
  return false;
}

// A file of the range that was read: its stamp in the usage table and its name.
struct read_file_t {
  uint32_t uiStamp;
  const char* szName;
};

// Hosts whose rules went away: read earlier in the range, missing from every later snapshot.
void ReportVanishedHosts(const host_table_t& tUsage, int32_t iDirection,
                         const std::vector<read_file_t>& tRead) {
  if (tRead.empty()) {
    return;
  }
  std::size_t iVanished = 0;
  for (const data_t& tHost : tUsage.tHosts) {
    const uint32_t uiLast = tHost.auiLastFile[iDirection];
    if (uiLast == 0 || uiLast >= tRead.back().uiStamp) {
      continue;
    }
    if (++iVanished > kVanishedShown) {
      continue;
    }
    const char* szFirstWithout = tRead.back().szName;
    for (const read_file_t& tFile : tRead) {
      if (tFile.uiStamp > uiLast) {
        szFirstWithout = tFile.szName;
        break;
      }
    }
    Warn("host [%s] is missing from every %s snapshot from [%s] on: its rule went away",
         ShowText(GetHostKey(tHost)).c_str(), iDirection == 0 ? "incoming" : "outgoing",
         ShowText(szFirstWithout).c_str());
  }
  if (iVanished > kVanishedShown) {
    Warn("%zu more hosts are missing from the later snapshots", iVanished - kVanishedShown);
  }
}

bool IsAnyAddress(std::string_view szKey) { return szKey == "0.0.0.0/0" || szKey == "::/0"; }

// Incoming rows match hosts as destination: when every one is "any", the files of the
// outgoing chain were read as incoming.
void CheckSwappedPrefixes(const host_table_t& tUsage, const char* szPrefix) {
  bool bAny = false;
  for (const data_t& tHost : tUsage.tHosts) {
    if (tHost.bytes_in.tDays.empty()) {
      continue;
    }
    if (!IsAnyAddress(GetHostKey(tHost))) {
      return;
    }
    bAny = true;
  }
  if (bAny) {
    Warn(
        "every incoming row of [%s] has the destination 0.0.0.0/0 or ::/0: the prefixes look "
        "swapped (incoming first, then outgoing)",
        ShowText(szPrefix).c_str());
  }
}

// One direction: choose its snapshots, read those of the range in order, then its baseline.
void RunPass(const run_request_t& tRequest, const dir_listing_t& tListing, const char* szPrefix,
             int32_t iDirection, int iDirFd, run_t& tRun) {
  const scan_plan_t tPlan = ScanLogListing(tListing, szPrefix, tRequest.uiStart, tRequest.uiEnd);
  const std::string szShownPrefix = ShowText(szPrefix);
  const std::string szShownPath = ShowText(tRequest.szLogPath);
  if (tPlan.iMisnamed > 0) {
    Warn(
        "left out %zu files of [%s] that begin with [%s] but are not named as snapshots "
        "(the prefix, YYYYMMDD, six characters), the first [%s]",
        tPlan.iMisnamed, szShownPath.c_str(), szShownPrefix.c_str(),
        ShowText(tPlan.szFirstMisnamed).c_str());
  }
  if (tPlan.tLogs.empty()) {
    Warn("no snapshot [%s] in [%s] from %s to %s", szShownPrefix.c_str(), szShownPath.c_str(),
         FormatDate(tRequest.uiStart).c_str(), FormatDate(tRequest.uiEnd).c_str());
    tRun.bIncomplete = true;
    return;
  }
  std::vector<read_file_t> tRead;
  tRun.tBandwidthUsage.uiLastFileDate = tPlan.tLogs.back().uiFileDate;
  tRun.tStamps.reserve(tRun.tStamps.size() + tPlan.tLogs.size());
  bool bReadings = false;
  for (const planned_log_t& tLog : tPlan.tLogs) {
    const log_file_t tFile = {tRequest.szLogPath,
                              tLog.szName,
                              tLog.uiFileDate,
                              iDirection,
                              tLog.iLogFileIsOnANewDate,
                              iDirFd,
                              IsListedAsFile(tLog.szName)};
    const log_read_t tResult = ProcessLogFile(tFile, tRun.tBandwidthUsage, tRun.tRange);
    ReportLogRead(tResult, tRun);
    if (tResult.eOutcome != log_outcome_t::kRead) {
      continue;
    }
    tRun.bReadAny = true;
    tRun.tStamps.push_back(
        MakeSnapshotStamp(std::string_view(tLog.tTime.data(), tLog.tTime.size())));
    tRun.uiLatestFileDate =
        tLog.uiFileDate > tRun.uiLatestFileDate ? tLog.uiFileDate : tRun.uiLatestFileDate;
    tRead.push_back({tRun.tBandwidthUsage.iFileStamp, tLog.szName});
    bReadings = bReadings || tResult.llReadings > 0;
  }
  // Without a reading in the range there is nothing to take a baseline from.
  if (bReadings && !ReadBaseline(tRequest, tPlan, iDirection, iDirFd, tRun)) {
    Warn(
        "no snapshot [%s] before the range: its first readings count whole, all the traffic "
        "since the counters were last reset",
        szShownPrefix.c_str());
  }
  ReportVanishedHosts(tRun.tBandwidthUsage, iDirection, tRead);
  if (iDirection == 0) {
    CheckSwappedPrefixes(tRun.tBandwidthUsage, szPrefix);
  }
}

// Mistakes that still give a plausible report: said once each, the status unchanged.
void WriteRequestNotices(const run_request_t& tRequest) {
  if (tRequest.bIncomingPrefixAlone) {
    Warn("no outgoing prefix given: every snapshot of the directory is read as outgoing too");
  } else if (EqualsIgnoreCase(tRequest.szIncomingPrefix, tRequest.szOutgoingPrefix)) {
    Warn(
        "the incoming and outgoing prefixes are the same: every file is read as incoming and "
        "as outgoing");
  }
}

// Snapshots that end before an end date that has passed: the collection stopped.
void WriteEndNotice(const run_request_t& tRequest, const run_t& tRun) {
  if (!tRun.bReadAny || tRequest.uiEnd > tRequest.uiToday ||
      tRun.uiLatestFileDate >= tRequest.uiEnd) {
    return;
  }
  Warn("the snapshots stop on %s, before the end date %s",
       FormatDate(tRun.uiLatestFileDate).c_str(), FormatDate(tRequest.uiEnd).c_str());
}

}  // namespace

void RunPasses(const run_request_t& tRequest, const dir_listing_t& tListing, run_t& tRun) {
  tRun.tBandwidthUsageInitValue.bLevels = true;
  WriteRequestNotices(tRequest);
  if (!tListing.bOpened) {
    std::fprintf(stderr, "Couldn't open the directory [%s]: %s\n",
                 ShowText(tRequest.szLogPath).c_str(), std::strerror(tListing.iOpenError));
    tRun.bIncomplete = true;
    return;
  }
  // Opened once for both passes; where it cannot be, each file's path is looked up whole.
  const directory_fd_t tDir{open(tRequest.szLogPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  RunPass(tRequest, tListing, tRequest.szIncomingPrefix, 0, tDir.iFd, tRun);
  RunPass(tRequest, tListing, tRequest.szOutgoingPrefix, 1, tDir.iFd, tRun);
  const long long llCapped =
      tRun.tBandwidthUsage.llCappedRows + tRun.tBandwidthUsageInitValue.llCappedRows;
  if (llCapped > 0) {
    Warn("more than %zu hosts: %lld rows of further hosts were left out", kMaxHosts, llCapped);
    tRun.bIncomplete = true;
  }
  WriteEndNotice(tRequest, tRun);
}

bool MarkReportLosses(const run_request_t& tRequest, report_t& tReport) {
  const loss_events_t tEvents =
      ReadLossEvents(tRequest.szLogPath, tRequest.szIncomingPrefix, tRequest.szOutgoingPrefix);
  char szPath[kTextBuf] = {};
  JoinLogPath(szPath, tRequest.szLogPath, kLossEventsName);
  const std::string szShown = ShowText(szPath);
  switch (tEvents.eOutcome) {
    case loss_events_outcome_t::kAbsent:
    case loss_events_outcome_t::kRead: break;
    case loss_events_outcome_t::kNotAFile:
      Warn("refused [%s]: not a regular file; days that may lack traffic are not marked",
           szShown.c_str());
      return true;
    case loss_events_outcome_t::kSymlink:
      Warn(
          "refused [%s]: a symbolic link is never followed; days that may lack traffic are not "
          "marked",
          szShown.c_str());
      return true;
    case loss_events_outcome_t::kTooLarge:
      Warn("refused [%s]: larger than 4 MiB; days that may lack traffic are not marked",
           szShown.c_str());
      return true;
    case loss_events_outcome_t::kUnreadable:
      WarnError(tEvents.iError, "couldn't read [%s]; days that may lack traffic are not marked",
                szShown.c_str());
      return true;
  }
  bool bMarked = false;
  for (const loss_event_t& tEvent : tEvents.tEvents) {
    if (MarkReportLoss(tEvent.szLastGood, tEvent.szFound, tEvent.szWhat, tReport)) {
      Warn("%s", FormatLossNotice(tReport, tReport.tLosses.back()).c_str());
      bMarked = true;
    }
  }
  if (tEvents.iMalformed > 0) {
    Warn(
        "passed over %d lines of [%s] that are no loss record: the days they meant are not "
        "marked",
        tEvents.iMalformed, szShown.c_str());
    return true;
  }
  return bMarked;
}
