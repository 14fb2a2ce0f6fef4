// netreckon-kit: the collector kit's helper, built from the report's own sources so that the
// kit and the report read a config, an address and a snapshot alike. "config" writes the
// config's values as shell assignments; "hosts" checks HOSTS entries and writes them as the
// firewall prints them; "metrics" writes the counters of one snapshot in the text exposition
// format; "plan" plans an iptables family's changes; "thin" names the snapshots a report does
// not need; "nft-bound", "nft-listing" and "nft-plan" check, convert and change the nftables
// backend's table; "chain-listing", "restore" and "mark-number" read the iptables backend's
// listings and plans; "snapshots" and "events" choose among the log folder's files;
// "nft-structure", "nft-set-filled", "nft-marks" and "zero-rows" read nft's listings and the
// nftables backend's snapshots; all on standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "accounting/records.h"
#include "config/kit_config.h"
#include "files/bounded_file.h"
#include "kit/config_shell.h"
#include "kit/hosts.h"
#include "kit/iptables_listing.h"
#include "kit/iptables_plan.h"
#include "kit/metrics.h"
#include "kit/nft_listing.h"
#include "kit/nft_plan.h"
#include "kit/nft_text.h"
#include "kit/set_bound.h"
#include "kit/snapshot_names.h"
#include "kit/thinning.h"
#include "logs/logs.h"

namespace {

constexpr const char* kUsage =
    "usage: netreckon-kit config FILE\n"
    "  writes the config's values as shell assignments to eval, an unknown key as a warning,\n"
    "  a malformed line or an unreadable file as the one error\n"
    "       netreckon-kit hosts < ENTRIES\n"
    "  writes each ADDRESS[/PREFIX][=NAME] entry as \"4|6 ADDRESS/PREFIX [NAME]\"; status 1\n"
    "  when an entry is refused (said on standard error)\n"
    "       netreckon-kit metrics IN_SNAPSHOT OUT_SNAPSHOT SECONDS HEALTHY\n"
    "  writes the counters of the snapshot's two files in the text exposition format;\n"
    "  SECONDS is the snapshot's time since the epoch, HEALTHY 1 or 0\n"
    "       netreckon-kit plan IN_CHAIN OUT_CHAIN MARK TRUST_MARK KEPT FRESH < LINES\n"
    "  writes the changes that bring an iptables family's setup (\"A TABLE LINE\") to the\n"
    "  wanted one (\"W TABLE LINE\"); TRUST_MARK 1 or 0, KEPT the marks' last byte count\n"
    "       netreckon-kit thin < SNAPSHOTS\n"
    "  of the snapshots of one prefix named one a line, in time order, writes the names of\n"
    "  those a report does not need for the same figures\n"
    "       netreckon-kit nft-bound SET_SIZE IPV6_HOSTS LISTED < SUBNETS\n"
    "  checks that the nftables backend's sets for the subnets (as \"hosts\" writes them), with\n"
    "  LISTED hosts, hold no more hosts in a direction than a report reads; status 1 (said on\n"
    "  standard output) when they can\n"
    "       netreckon-kit nft-listing CHAIN in|out MARK PREVIOUS STARTS < LISTING\n"
    "  writes the chain's snapshot from \"nft list table\" in the listing format; PREVIOUS is\n"
    "  the chain's last snapshot, STARTS the \"CHAIN KEY\" rows that read 0 (either \"\": none)\n"
    "       netreckon-kit nft-plan TABLE LOADED WANTED LISTING\n"
    "  writes the commands that change the table loaded last (LOADED, its \"nft -f\" text) into\n"
    "  WANTED in place, by the handles of LISTING (\"nft -a list table\"), as \"C COMMAND\" lines\n"
    "  and \"Z CHAIN KEY\" lines for the rows that start from 0; status 3 when the table must be\n"
    "  replaced\n"
    "       netreckon-kit chain-listing CHAIN MARK HEADER ZERO < LISTING\n"
    "  writes the chain's snapshot from \"iptables -L CHAIN -v -n -x\": its titles with HEADER 1,\n"
    "  no row of the mark rule, as 0 the rows ZERO names (\"all CHAIN\" or the plan's new\n"
    "  rules, \"-A CHAIN ...\"; \"\": none)\n"
    "       netreckon-kit restore < PLAN\n"
    "  writes the plan's \"R TABLE LINE\" lines as iptables-restore input\n"
    "       netreckon-kit mark-number CHAIN MARK < LINES\n"
    "  writes the number of the chain's mark rule in \"iptables -S CHAIN\" lines; nothing when\n"
    "  there is none\n"
    "       netreckon-kit snapshots PREFIX BEFORE < NAMES\n"
    "  writes the names of the prefix's snapshots (PREFIX and a 14-digit stamp) dated before\n"
    "  BEFORE (a stamp or a day YYYYMMDD; \"\": any), in time order\n"
    "       netreckon-kit events OLDEST < EVENTS\n"
    "  writes the lines of the events file dated on the day OLDEST or later\n"
    "       netreckon-kit nft-structure < LISTING\n"
    "  writes the listing as compared from run to run: no counters, no set elements\n"
    "       netreckon-kit nft-set-filled PREVIOUS NEW\n"
    "  status 0 when a \"set full\" row of the chain's NEW snapshot grew since PREVIOUS, 1 when\n"
    "  none did, 2 when a snapshot cannot be read\n"
    "       netreckon-kit nft-marks TABLE IN_CHAIN OUT_CHAIN MARK FRESH < LISTING\n"
    "  writes the commands that give the marks of \"nft -a list table\" the byte count FRESH\n"
    "       netreckon-kit zero-rows < SNAPSHOT\n"
    "  writes the snapshot with every row's counters as 0\n";

// A whole number of at most 18 digits.
bool ReadSeconds(std::string_view szText, long long& llSeconds) {
  if (szText.empty() || szText.size() > 18) {
    return false;
  }
  llSeconds = 0;
  for (const char cChar : szText) {
    if (cChar < '0' || cChar > '9') {
      return false;
    }
    llSeconds = llSeconds * 10 + (cChar - '0');
  }
  return true;
}

// Reads a snapshot whole; says why it cannot.
bool ReadSnapshotText(const char* szPath, std::string& szText) {
  int iError = 0;
  switch (ReadBoundedFile(szPath, kMaxLogFileBytes, true, szText, iError)) {
    case file_read_t::kRead: return true;
    case file_read_t::kUnreadable:
      std::fprintf(stderr, "netreckon-kit: cannot read %s: %s\n", szPath, std::strerror(iError));
      return false;
    case file_read_t::kNotAFile:
    case file_read_t::kSymlink:
    case file_read_t::kTooLarge:
      std::fprintf(stderr, "netreckon-kit: %s is not a regular file of at most 256 MiB\n", szPath);
      return false;
  }
  return false;
}

bool ReadSnapshot(const char* szPath, int32_t iDirection, metrics_t& tMetrics) {
  std::string szText;
  if (!ReadSnapshotText(szPath, szText)) {
    return false;
  }
  ReadMetricListing(szText, iDirection, tMetrics);
  return true;
}

// Standard input whole, at most llLimit bytes; says what else it came to (szTooLong when there
// is more). A read that fails is no end of input: a part of the hosts or of a listing would plan
// rules away.
bool ReadInput(long long llLimit, const char* szTooLong, std::string& szInput) {
  char aBuffer[65536];
  std::size_t iRead = 0;
  while ((iRead = std::fread(aBuffer, 1, sizeof aBuffer, stdin)) > 0) {
    szInput.append(aBuffer, iRead);
    if (static_cast<long long>(szInput.size()) > llLimit) {
      std::fprintf(stderr, "netreckon-kit: %s\n", szTooLong);
      return false;
    }
  }
  if (std::ferror(stdin) != 0) {
    std::fprintf(stderr, "netreckon-kit: cannot read standard input: %s\n", std::strerror(errno));
    return false;
  }
  return true;
}

bool WriteAll(const std::string& szText) {
  if (std::fwrite(szText.data(), 1, szText.size(), stdout) != szText.size() ||
      std::fflush(stdout) != 0) {
    std::fprintf(stderr, "netreckon-kit: cannot write: %s\n", std::strerror(errno));
    return false;
  }
  return true;
}

// The shell evals what this writes: a file it cannot read is its one error too.
int WriteConfig(int iArgs, char** pArgs) {
  if (iArgs != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szText;
  std::string szError;
  const std::string szShell =
      ReadKitConfigFile(pArgs[2], szText, szError)
          ? FormatConfigForShell(pArgs[2], szText)
          : "die " +
                QuoteForShell(std::string("cannot read config file ") + pArgs[2] + ": " + szError) +
                "\n";
  return WriteAll(szShell) ? 0 : 1;
}

// The entries come from the config, which is at most kMaxKitConfigBytes.
int WriteHosts(int iArgs) {
  if (iArgs != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szEntries;
  if (!ReadInput(kMaxKitConfigBytes, "more hosts than a config can hold", szEntries)) {
    return 1;
  }
  const host_plan_t tPlan = PlanHosts(szEntries);
  std::fputs(tPlan.szMessages.c_str(), stderr);
  if (!WriteAll(tPlan.szLines)) {
    return 1;
  }
  return tPlan.bRefused ? 1 : 0;
}

int WriteMetrics(int iArgs, char** pArgs) {
  long long llSeconds = 0;
  const std::string_view szHealthy = iArgs == 6 ? pArgs[5] : "";
  if (iArgs != 6 || !ReadSeconds(pArgs[4], llSeconds) || (szHealthy != "0" && szHealthy != "1")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  metrics_t tMetrics;
  if (!ReadSnapshot(pArgs[2], 0, tMetrics) || !ReadSnapshot(pArgs[3], 1, tMetrics)) {
    return 1;
  }
  if (!WriteAll(FormatMetrics(tMetrics, llSeconds, szHealthy == "1"))) {
    return 1;
  }
  if (tMetrics.iRefusedRows > 0 || tMetrics.bOverflow) {
    std::fprintf(stderr, "netreckon-kit: %d rows of the snapshot were left out of the counters\n",
                 tMetrics.iRefusedRows);
    return 1;
  }
  return 0;
}

// The listings of two tables of a family are far below a snapshot's limit.
int WritePlan(int iArgs, char** pArgs) {
  const std::string_view szTrust = iArgs == 8 ? pArgs[5] : "";
  if (iArgs != 8 || (szTrust != "0" && szTrust != "1")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szInput;
  if (!ReadInput(kMaxLogFileBytes, "more lines than a setup can hold", szInput)) {
    return 1;
  }
  iptables_plan_settings_t tSettings;
  tSettings.szInChain = pArgs[2];
  tSettings.szOutChain = pArgs[3];
  tSettings.szMark = pArgs[4];
  tSettings.bTrustMark = szTrust == "1";
  tSettings.szKept = pArgs[6];
  tSettings.szFresh = pArgs[7];
  return WriteAll(PlanIptables(szInput, tSettings)) ? 0 : 1;
}

// Nothing is named for deletion unless every snapshot was read: the caller deletes what this
// writes.
int WriteThinning(int iArgs) {
  if (iArgs != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szNames;
  if (!ReadInput(kMaxLogFileBytes, "more snapshot names than a folder holds", szNames)) {
    return 1;
  }
  thinning_t tThinning;
  std::string_view szRest = szNames;
  while (!szRest.empty()) {
    const std::size_t iBreak = std::min(szRest.find('\n'), szRest.size());
    const std::string szName(szRest.substr(0, iBreak));
    szRest.remove_prefix(iBreak < szRest.size() ? iBreak + 1 : iBreak);
    if (szName.empty()) {
      continue;
    }
    std::string szText;
    if (!ReadSnapshotText(szName.c_str(), szText)) {
      return 1;
    }
    AddThinSnapshot(tThinning, szName, std::move(szText));
  }
  return WriteAll(tThinning.szDeletable) ? 0 : 1;
}

// The nftables backend's bound: the shell refuses, before anything changes, a setup whose
// snapshots could hold more hosts than a report reads.
int CheckSetBound(int iArgs, char** pArgs) {
  long long llSetSize = 0;
  long long llListed = 0;
  const std::string_view szPer = iArgs == 5 ? pArgs[3] : "";
  if (iArgs != 5 || !ReadSeconds(pArgs[2], llSetSize) || !ReadSeconds(pArgs[4], llListed) ||
      (szPer != "address" && szPer != "64")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szSubnets;
  if (!ReadInput(kMaxKitConfigBytes, "more subnets than a config can hold", szSubnets)) {
    return 1;
  }
  const set_bound_t tBound = BoundSetRows(szSubnets, llListed, llSetSize, szPer == "64");
  if (tBound.bRefused) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (tBound.llRows <= static_cast<long long>(kMaxHosts)) {
    return 0;
  }
  const std::string szRemedy = tBound.llLargestSetSize > 0
                                   ? "set SET_SIZE to " + std::to_string(tBound.llLargestSetSize) +
                                         " or less, or list fewer subnets"
                                   : std::string("list fewer subnets or hosts");
  std::printf(
      "SUBNETS with SET_SIZE=%lld can hold %lld hosts in a direction (listed hosts and "
      "rows of what no host took included), more than the %zu a report reads: %s\n",
      llSetSize, tBound.llRows, kMaxHosts, szRemedy.c_str());
  return 1;
}

// A file the kit wrote and names by argument ("" for none).
bool ReadKitFile(const char* szPath, std::string& szText) {
  return szPath[0] == '\0' || ReadSnapshotText(szPath, szText);
}

// The nftables backend's snapshot of one chain, from the table's listing.
int WriteNftListing(int iArgs, char** pArgs) {
  const std::string_view szDirection = iArgs == 7 ? pArgs[3] : "";
  if (iArgs != 7 || (szDirection != "in" && szDirection != "out")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szListing;
  std::string szPrevious;
  std::string szStarts;
  if (!ReadInput(kMaxLogFileBytes, "the listing is larger than 256 MiB", szListing)) {
    return 1;
  }
  if (!ReadKitFile(pArgs[5], szPrevious) || !ReadKitFile(pArgs[6], szStarts)) {
    return 1;
  }
  const nft_listing_request_t tRequest = {pArgs[2], szDirection == "out", pArgs[4], szPrevious,
                                          szStarts};
  return WriteAll(ConvertNftListing(szListing, tRequest)) ? 0 : 1;
}

// The nftables backend's change in place for a changed config.
int WriteNftPlan(int iArgs, char** pArgs) {
  if (iArgs != 6) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szLoaded;
  std::string szWanted;
  std::string szListing;
  if (!ReadKitFile(pArgs[3], szLoaded) || !ReadKitFile(pArgs[4], szWanted) ||
      !ReadKitFile(pArgs[5], szListing)) {
    return 1;
  }
  const nft_plan_t tPlan = PlanNftChange(pArgs[2], szLoaded, szWanted, szListing);
  if (tPlan.bReplace) {
    return 3;
  }
  return WriteAll(tPlan.szLines) ? 0 : 1;
}

// Standard input whole, at most a snapshot's limit: a listing, a plan or names.
bool ReadListing(std::string& szText) {
  return ReadInput(kMaxLogFileBytes, "the input is larger than 256 MiB", szText);
}

// One chain of the iptables backend's snapshot, from its listing.
int WriteIptablesChain(int iArgs, char** pArgs) {
  const std::string_view szHeader = iArgs == 6 ? pArgs[4] : "";
  if (iArgs != 6 || (szHeader != "0" && szHeader != "1")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szListing;
  std::string szZero;
  if (!ReadListing(szListing) || !ReadKitFile(pArgs[5], szZero)) {
    return 1;
  }
  return WriteAll(WriteChainListing(szListing, pArgs[2], pArgs[3], szHeader == "1", szZero)) ? 0
                                                                                             : 1;
}

int WriteRestore(int iArgs) {
  std::string szPlan;
  if (iArgs != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return ReadListing(szPlan) && WriteAll(WriteRestoreInput(szPlan)) ? 0 : 1;
}

int WriteMarkNumber(int iArgs, char** pArgs) {
  if (iArgs != 4) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szLines;
  if (!ReadListing(szLines)) {
    return 1;
  }
  const std::string szNumber = FindMarkNumber(szLines, pArgs[2], pArgs[3]);
  return WriteAll(szNumber.empty() ? szNumber : szNumber + "\n") ? 0 : 1;
}

// A text of standard input changed by one reading: a plan, names, a listing, a snapshot.
template <typename change_t>
int WriteChanged(int iArgs, int iWanted, change_t&& fChange) {
  if (iArgs != iWanted) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szText;
  return ReadListing(szText) && WriteAll(fChange(szText)) ? 0 : 1;
}

// Status 0 when a full set turned traffic away since the previous snapshot, 1 when not, 2 when
// a snapshot cannot be read.
int CheckSetFilled(int iArgs, char** pArgs) {
  if (iArgs != 4) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string szPrevious;
  std::string szNew;
  if (!ReadSnapshotText(pArgs[2], szPrevious) || !ReadSnapshotText(pArgs[3], szNew)) {
    return 2;
  }
  return SetFilled(szPrevious, szNew) ? 0 : 1;
}

}  // namespace

int main(int iArgs, char** pArgs) {
  const std::string_view szCommand = iArgs >= 2 ? pArgs[1] : "";
  if (szCommand == "config") {
    return WriteConfig(iArgs, pArgs);
  }
  if (szCommand == "hosts") {
    return WriteHosts(iArgs);
  }
  if (szCommand == "metrics") {
    return WriteMetrics(iArgs, pArgs);
  }
  if (szCommand == "plan") {
    return WritePlan(iArgs, pArgs);
  }
  if (szCommand == "thin") {
    return WriteThinning(iArgs);
  }
  if (szCommand == "nft-listing") {
    return WriteNftListing(iArgs, pArgs);
  }
  if (szCommand == "nft-plan") {
    return WriteNftPlan(iArgs, pArgs);
  }
  if (szCommand == "nft-bound") {
    return CheckSetBound(iArgs, pArgs);
  }
  if (szCommand == "chain-listing") {
    return WriteIptablesChain(iArgs, pArgs);
  }
  if (szCommand == "restore") {
    return WriteRestore(iArgs);
  }
  if (szCommand == "mark-number") {
    return WriteMarkNumber(iArgs, pArgs);
  }
  if (szCommand == "snapshots") {
    return WriteChanged(iArgs, 4, [pArgs](std::string_view szNames) {
      return SelectSnapshots(szNames, pArgs[2], pArgs[3]);
    });
  }
  if (szCommand == "events") {
    return WriteChanged(
        iArgs, 3, [pArgs](std::string_view szEvents) { return KeepEvents(szEvents, pArgs[2]); });
  }
  if (szCommand == "nft-structure") {
    return WriteChanged(iArgs, 2, NftStructure);
  }
  if (szCommand == "nft-set-filled") {
    return CheckSetFilled(iArgs, pArgs);
  }
  if (szCommand == "nft-marks") {
    return WriteChanged(iArgs, 7, [pArgs](std::string_view szListing) {
      return ReplaceMarks(szListing, {pArgs[2], pArgs[3], pArgs[4], pArgs[5], pArgs[6]});
    });
  }
  if (szCommand == "zero-rows") {
    return WriteChanged(iArgs, 2, ZeroRows);
  }
  std::fputs(kUsage, stderr);
  return 2;
}
