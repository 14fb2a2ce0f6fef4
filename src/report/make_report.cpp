// The report pipeline: build the figures, count the snapshots, mark the losses, say what no
// host took, name the hosts, apply the options; then write the report in its type.
#include "report/make_report.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unordered_set>
#include <vector>

#include "addresses/address.h"

namespace {

// The start of each day of the report in local time, and of the day after its last.
std::vector<long long> GetReportDayStarts(const report_t& tReport) {
  std::vector<long long> tStarts;
  for (int32_t iDay = 0; iDay <= tReport.iDays; ++iDay) {
    long long llYear = 0;
    int iMonth = 0;
    int iDayOfMonth = 0;
    GetCivilDate(tReport.uiFrom, iDay, llYear, iMonth, iDayOfMonth);
    struct tm tDate = {};
    tDate.tm_year = static_cast<int>(llYear - 1900);
    tDate.tm_mon = iMonth - 1;
    tDate.tm_mday = iDayOfMonth;
    tDate.tm_isdst = -1;
    tStarts.push_back(static_cast<long long>(mktime(&tDate)));
  }
  return tStarts;
}

// A host named by leases alone: the newest lease of the report's days names it, and where the
// leases of its days differ (csv and json, `bPerDay`), each day takes its own.
void NameByLeases(const std::vector<lease_span_t>& tLeases, const std::vector<long long>& tStarts,
                  bool bPerDay, host_figures_t& tHost) {
  tHost.bLeaseName = true;
  FindLeaseName(tLeases, tStarts.front(), tStarts.back(), tHost.szName);
  if (!bPerDay) {
    return;
  }
  std::vector<std::string> tDayNames(tStarts.size() - 1);
  bool bDiffer = false;
  for (std::size_t iDay = 0; iDay + 1 < tStarts.size(); ++iDay) {
    FindLeaseName(tLeases, tStarts[iDay], tStarts[iDay + 1], tDayNames[iDay]);
    bDiffer = bDiffer || tDayNames[iDay] != tDayNames.front();
  }
  if (bDiffer) {
    tHost.tDayNames = std::move(tDayNames);
  }
}

// A host's name: the admin's, from a hosts-style file, else from its rule's comment (which the
// figures bring), else from the leases valid in the report's days; shown only when it is 1 to
// 64 printable characters. A lease never overrides the admin's name: where one names the host
// otherwise, that is said.
void NameReportHosts(const names_request_t& tNames, bool bPerDay, report_t& tReport) {
  std::unordered_set<std::string> tReportKeys;
  std::vector<long long> tStarts;
  if (!tNames.tBook.tLeases.empty() && tReport.iDays > 0) {
    tStarts = GetReportDayStarts(tReport);
  }
  // Without a names file nothing is looked up: a big site's hosts would each cost a key and
  // a set entry for nothing.
  const bool bLookUp =
      !tNames.tFiles.empty() || !tNames.tBook.tAdmin.empty() || !tNames.tBook.tLeases.empty();
  for (host_figures_t& tHost : tReport.tHosts) {
    if (bLookUp) {
      const std::string szKey = MakeAddressKey(tHost.szHost);
      tReportKeys.insert(szKey);
      if (const auto pName = tNames.tBook.tAdmin.find(szKey);
          pName != tNames.tBook.tAdmin.end() && !pName->second.empty()) {
        tHost.szName = pName->second;
      }
      const auto pLeases = tNames.tBook.tLeases.find(szKey);
      if (pLeases != tNames.tBook.tLeases.end() && !tStarts.empty()) {
        if (tHost.szName.empty()) {
          NameByLeases(pLeases->second, tStarts, bPerDay, tHost);
        } else {
          for (const lease_span_t& tLease : pLeases->second) {
            if (!tLease.szName.empty() && tLease.szName != tHost.szName &&
                tLease.llFrom < tLease.llUntil && tLease.llFrom < tStarts.back() &&
                tLease.llUntil > tStarts.front()) {
              Warn("a lease names [%s] [%s]; the admin's name [%s] is kept",
                   ShowText(tHost.szHost).c_str(), tLease.szName.c_str(),
                   ShowText(tHost.szName).c_str());
              break;
            }
          }
        }
      }
    }
    if (!IsHostNameShown(tHost.szName)) {
      tHost.szName.clear();
    }
  }
  // A names file of another network, or of another format, names nothing: say so.
  for (std::size_t iFile = 0; iFile < tNames.tFiles.size() && !tReportKeys.empty(); ++iFile) {
    const std::vector<std::string>& tKeys = tNames.tFileKeys[iFile];
    if (std::none_of(tKeys.begin(), tKeys.end(),
                     [&](const std::string& szKey) { return tReportKeys.count(szKey) > 0; })) {
      Warn("the names file [%s] names none of the report's hosts",
           ShowText(tNames.tFiles[iFile]).c_str());
    }
  }
}

// Traffic the kit could give no host (a full set of discovered hosts) is billed to nobody: says
// each row; returns true when a set of hosts was full.
bool WarnUncountedRows(const report_t& tReport) {
  bool bSetFull = false;
  for (const uncounted_t& tRow : FindUncountedRows(tReport)) {
    const bool bFull = tRow.szCause == "full";
    bSetFull = bSetFull || bFull;
    const std::string szCause = ShowText(tRow.szCause);
    Warn("not counted for any host in [%s]: %lld bytes incoming and %lld outgoing (%s)",
         ShowText(tRow.szSubnet).c_str(), tRow.llInBytes, tRow.llOutBytes,
         bFull ? "its set of hosts was full"
         : tRow.szCause == "unknown"
             ? "to addresses that have sent nothing: a scan, or hosts that only receive"
         : tRow.szCause == "limit"
             ? "from more new addresses than one MAC address may bring: made-up sources"
         : tRow.szCause == "spoofed"
             ? "from sources of the subnet that came in where the subnet is not: made up"
             : szCause.c_str());
  }
  return bSetFull;
}

}  // namespace

bool MakeReport(run_t& tRun, const request_t& tRequest, report_t& tReport) {
  const report_type_t eType = tRequest.eReport;
  // The console and HTML reports print totals only: a big site's days need not be held twice.
  const bool bKeepDays = eType != report_type_t::kConsole && eType != report_type_t::kHtml &&
                         eType != report_type_t::kNone;
  BuildReport(tRun.tBandwidthUsage, tRun.tBandwidthUsageInitValue, tRun.tRange.start_date,
              tRun.tRange.end_date, tReport, bKeepDays);
  CountReportSnapshots(std::move(tRun.tStamps), tReport);
  const bool bLoss = tRun.bReadAny && MarkReportLosses(MakeRunRequest(tRequest), tReport);
  const bool bSetFull = WarnUncountedRows(tReport);
  NameReportHosts(tRequest.tNames, eType == report_type_t::kCsv || eType == report_type_t::kJson,
                  tReport);
  ApplyReportOptions(tRequest.tOptions,
                     eType == report_type_t::kDaily || eType == report_type_t::kMonthly, tReport);
  return !tRun.bIncomplete && !bLoss && !bSetFull;
}

bool WriteReport(std::FILE* pOut, const request_t& tRequest, const report_t& tReport,
                 double dElapsedSeconds, std::string* pErr) {
  switch (tRequest.eReport) {
    case report_type_t::kConsole: WriteConsoleReport(pOut, tReport, dElapsedSeconds); break;
    case report_type_t::kHtml: WriteHtmlReport(pOut, tReport); break;
    case report_type_t::kCsv: WriteCsvReport(pOut, tReport); break;
    case report_type_t::kJson: WriteJsonReport(pOut, tReport); break;
    case report_type_t::kDaily: WriteDailyPage(pOut, tReport); break;
    case report_type_t::kMonthly: WriteMonthlyPage(pOut, tReport); break;
    case report_type_t::kNone: break;
  }
  const bool bFlushed = std::fflush(pOut) == 0;
  const int iError = errno;
  if (bFlushed && std::ferror(pOut) == 0) {
    return true;
  }
  *pErr = std::string("couldn't write the report: ") + std::strerror(iError != 0 ? iError : EIO);
  return false;
}
