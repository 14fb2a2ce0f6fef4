// netreckon: per-host traffic in and out over a range of days, from packet-filter counter logs.
#include <getopt.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "accounting/date_filter.h"
#include "accounting/records.h"
#include "addresses/address.h"
#include "config/kit_config.h"
#include "logs/logs.h"
#include "names/names.h"
#include "report/report.h"
#include "run/run.h"

namespace {

// What the command line asks for.
struct settings_t {
  report_type_t eReport = report_type_t::kConsole;  // the generate-type
  char szLogFileStartFilter[kTextBuf] = {};
  char szLogFileEndFilter[kTextBuf] = {};
  char szLogPath[kTextBuf] = {};
  char szIncomingDataLogfilePrefix[kTextBuf] = {};
  char szOutgoingDataLogfilePrefix[kTextBuf] = {};
  bool bIncomingPrefixAlone = false;
  date_number_t uiStart = 0;  // the filters resolved, as date numbers
  date_number_t uiEnd = 0;
  time_t tStartProcessing = 0;  // also "today" for the date filters and the notices
  report_options_t tOptions;
  std::vector<const char*> tNamesFiles;
  std::vector<std::vector<std::string>> tNamesFileKeys;  // per names file, the keys it names
  const char* szConfig = nullptr;  // --config: the kit's config file for the defaults
  bool bPrefixesFromConfig = false;
  name_book_t tNames;  // by MakeAddressKey of the key
};

constexpr const char* kBanner = "netreckon\nWritten by the netreckon developers.\n";

constexpr const char* kUsage[] = {
    "Usage: <generate-type> <start-date-filter> <end-date-filter> <logfiles-path> "
    "<incoming-data-logfileprefix> <outgoing-data-logfileprefix>\n",
    ": <generate-type>\t= the type of output format to generate (0 = console, 1 = html).",
    ": <start-date-filter>\t= the optional start date range of logfiles to parse (example: "
    "20090425 and default is current date. You may also use the today keyword like this: today).",
    ": <end-date-filter>\t= the optional end date range of logfiles to parse (example: 20090425 "
    "and default is current date. You may also use the today keyword like this: today-30).",
    ": <logfiles-path>\t= the optional path to search for the logfiles (default value is ./).",
    ": <incoming-data-logfileprefix>\t= the optional log filename prefix used to describe "
    "incoming data logs (example: traffic_in_).",
    ": <outgoing-data-logfileprefix>\t= the optional log filename prefix used to describe "
    "outgoing data logs (example: traffic_out_).",
};

constexpr const char* kHelpMore =
    "\nThe generate-type may also be a word: console (0), html (1), or\n"
    "  csv      bytes per host and day: host,name,date,incoming_bytes,outgoing_bytes,snapshots\n"
    "  json     the same as one JSON object, with totals per host and for all hosts\n"
    "  daily    an HTML page with a chart of the traffic per day and a table of hosts by days\n"
    "  monthly  an HTML page with a chart per calendar month and a table of hosts by months\n"
    "Date filters: YYYYMMDD or YYYY-MM-DD, today, yesterday, today-N (N days ago), or a period:\n"
    "YYYYMM or YYYY-MM, YYYY, month, month-N (this or N calendar months ago), year, year-N;\n"
    "a period is its first day as a start, its last day as an end. Types ignore case.\n"
    "Options, before, between or after the arguments (-- ends them):\n"
    "  --names            show host names in the console and HTML reports too\n"
    "  --names-file FILE  names from a hosts file or a lease file of dnsmasq, the ISC server or\n"
    "                     Kea (repeatable, later wins; else the rule's comment in the newest\n"
    "                     snapshot); implies --names\n"
    "  --sort ORDER       total, in or out (most bytes first) or host (by address)\n"
    "  --top N            the first N hosts, then one line for the other hosts\n"
    "  --by PERIOD        day (the default), week (ISO) or month: a csv row or json entry each\n"
    "  --period-start DAY months run from this day (1-28) to the day before it: month,\n"
    "                     month-N, the monthly page and --by month (YYYYMM stays calendar)\n"
    "  --group name       hosts sharing a name are one row, their figures summed\n"
    "  --over SIZE        only hosts whose total passes SIZE (800M, 50G, 2T; powers of 1000)\n"
    "  --config FILE      without the log path argument, the directory and prefixes come from\n"
    "                     this kit config, else from /etc/netreckon.conf where it exists\n"
    "  --help, -h         this text;  --version, -V  the version\n"
    "Exit status: 0 every row of every chosen file was accounted; 1 something was left out\n"
    "(the directory could not be listed, no snapshot in the range, a file or a row was refused\n"
    "or could not be read, an unhooked chain, over 100000 hosts) or the report could not be\n"
    "written; 2 a bad option, type or date; 255 no arguments.\n";

void CopyArgument(char (&szSetting)[kTextBuf], const std::vector<const char*>& tArguments,
                  std::size_t iPosition) {
  if (tArguments.size() > iPosition) {
    CopyText(szSetting, sizeof szSetting, tArguments[iPosition]);
  }
}

void PrintUsage() {
  for (const char* szUsage : kUsage) {
    std::puts(szUsage);
  }
}

enum option_id_t {
  kOptionNames = 256,
  kOptionNamesFile,
  kOptionSort,
  kOptionTop,
  kOptionBy,
  kOptionPeriodStart,
  kOptionGroup,
  kOptionOver,
  kOptionConfig
};

constexpr option kOptions[] = {
    {"names", no_argument, nullptr, kOptionNames},
    {"names-file", required_argument, nullptr, kOptionNamesFile},
    {"sort", required_argument, nullptr, kOptionSort},
    {"top", required_argument, nullptr, kOptionTop},
    {"by", required_argument, nullptr, kOptionBy},
    {"period-start", required_argument, nullptr, kOptionPeriodStart},
    {"group", required_argument, nullptr, kOptionGroup},
    {"over", required_argument, nullptr, kOptionOver},
    {"config", required_argument, nullptr, kOptionConfig},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// A negative number such as "-1" is an argument (a generate-type), not an option.
bool IsNegativeNumber(const char* szArgument) {
  return szArgument[0] == '-' && szArgument[1] >= '0' && szArgument[1] <= '9';
}

int ReportBadOption(const char* szWhat, const char* szArgument) {
  std::fprintf(stderr, "netreckon: %s %s (netreckon --help lists the options)\n", szWhat,
               szArgument);
  return 2;
}

// A size in bytes: digits and an optional unit K, M, G or T (powers of 1000, as the report's
// MB is 1,000,000 bytes).
bool ReadSize(std::string_view szText, long long& llBytes) {
  long long llUnit = 1;
  if (!szText.empty()) {
    switch (szText.back()) {
      case 'K': llUnit = 1000LL; break;
      case 'M': llUnit = 1000LL * 1000; break;
      case 'G': llUnit = 1000LL * 1000 * 1000; break;
      case 'T': llUnit = 1000LL * 1000 * 1000 * 1000; break;
      default: break;
    }
  }
  const std::string_view szDigits = llUnit == 1 ? szText : szText.substr(0, szText.size() - 1);
  if (szDigits.empty() || szDigits.size() > 15 ||
      szDigits.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  long long llCount = 0;
  for (const char cDigit : szDigits) {
    llCount = llCount * 10 + (cDigit - '0');
  }
  return !__builtin_mul_overflow(llCount, llUnit, &llBytes);
}

// The words an option takes and what each means.
template <class Value>
struct option_word_t {
  std::string_view szWord;
  Value eValue;
};

constexpr option_word_t<host_order_t> kOrders[] = {{"total", host_order_t::kTotal},
                                                   {"in", host_order_t::kIn},
                                                   {"out", host_order_t::kOut},
                                                   {"host", host_order_t::kHost}};
constexpr option_word_t<report_period_t> kPeriods[] = {{"day", report_period_t::kDay},
                                                       {"week", report_period_t::kWeek},
                                                       {"month", report_period_t::kMonth}};

template <class Value, std::size_t N>
bool ReadWord(std::string_view szText, const option_word_t<Value> (&tWords)[N], Value& eValue) {
  for (const option_word_t<Value>& tWord : tWords) {
    if (szText == tWord.szWord) {
      eValue = tWord.eValue;
      return true;
    }
  }
  return false;
}

// At most iDigits digits (nine at the most), from iMin to iMax.
bool ReadWholeNumber(std::string_view szText, std::size_t iDigits, int32_t iMin, int32_t iMax,
                     int32_t& iValue) {
  if (szText.empty() || szText.size() > iDigits || szText.size() > 9 ||
      szText.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  int32_t iRead = 0;
  for (const char cDigit : szText) {
    iRead = iRead * 10 + (cDigit - '0');
  }
  if (iRead < iMin || iRead > iMax) {
    return false;
  }
  iValue = iRead;
  return true;
}

// Reads one option's value into the settings; returns 2 for a bad one, -1 to go on.
int ReadOption(int iOption, const char* szValue, settings_t& tSettings) {
  report_options_t& tOptions = tSettings.tOptions;
  const std::string_view szText = szValue != nullptr ? szValue : "";
  switch (iOption) {
    case kOptionNames: tOptions.bNames = true; return -1;
    case kOptionNamesFile:
      tSettings.tNamesFiles.push_back(szValue);
      tOptions.bNames = true;
      return -1;
    case kOptionSort:
      tOptions.bOrderGiven = true;
      if (!ReadWord(szText, kOrders, tOptions.eOrder)) {
        return ReportBadOption("--sort takes total, in, out or host, not", szValue);
      }
      return -1;
    case kOptionTop:
      if (!ReadWholeNumber(szText, 9, 1, 999'999'999, tOptions.iTop)) {
        return ReportBadOption("--top takes a whole number of hosts from 1, not", szValue);
      }
      return -1;
    case kOptionBy:
      if (!ReadWord(szText, kPeriods, tOptions.eBy)) {
        return ReportBadOption("--by takes day, week or month, not", szValue);
      }
      return -1;
    case kOptionPeriodStart:
      if (!ReadWholeNumber(szText, 2, 1, 28, tOptions.iPeriodStart)) {
        return ReportBadOption("--period-start takes a day of the month from 1 to 28, not",
                               szValue);
      }
      return -1;
    case kOptionGroup:
      if (szText != "name") {
        return ReportBadOption("--group takes name, not", szValue);
      }
      tOptions.bGroupByName = true;
      return -1;
    case kOptionOver:
      if (!ReadSize(szText, tOptions.llOverBytes)) {
        return ReportBadOption("--over takes a size such as 800M, 50G or 2T, not", szValue);
      }
      return -1;
    case kOptionConfig: tSettings.szConfig = szValue; return -1;
    default: return -1;
  }
}

// Reads the options, wherever they stand, and the positional arguments in order. Returns the
// exit status when the run ends here, -1 to go on.
int ReadArguments(int argc, char** argv, settings_t& tSettings,
                  std::vector<const char*>& tArguments) {
  opterr = 0;
  optind = 1;
  while (optind < argc) {
    if (IsNegativeNumber(argv[optind])) {
      tArguments.push_back(argv[optind++]);
      continue;
    }
    const int iOption = getopt_long(argc, argv, "-:hV", kOptions, nullptr);
    if (iOption == -1) {
      break;
    }
    switch (iOption) {
      case 1: tArguments.push_back(optarg); break;
      case 'h':
        PrintUsage();
        std::fputs(kHelpMore, stdout);
        return 0;
      case 'V': std::puts("netreckon " NETRECKON_VERSION); return 0;
      case ':': return ReportBadOption("a value is missing after", argv[optind - 1]);
      case '?': return ReportBadOption("unknown option", argv[optind - 1]);
      default:
        if (const int iStatus = ReadOption(iOption, optarg, tSettings); iStatus >= 0) {
          return iStatus;
        }
    }
  }
  // After "--" everything is an argument.
  for (; optind < argc; ++optind) {
    tArguments.push_back(argv[optind]);
  }
  return -1;
}

// Without the log path argument, the directory and both prefixes come from the kit's config
// (--config, else the kit's own file where it exists). Returns 2 for a config that cannot be
// read, -1 to go on.
int ReadKitDefaults(const std::vector<const char*>& tArguments, settings_t& tSettings) {
  if (tArguments.size() > 3) {
    return -1;
  }
  const char* szPath = tSettings.szConfig != nullptr ? tSettings.szConfig : kKitConfigPath;
  struct stat tStat = {};
  if (tSettings.szConfig == nullptr && lstat(szPath, &tStat) != 0) {
    return -1;
  }
  kit_config_t tConfig;
  std::string szError;
  if (!ReadKitConfig(szPath, tConfig, szError)) {
    Warn("cannot read the config [%s]: %s", ShowText(szPath).c_str(), ShowText(szError).c_str());
    return 2;
  }
  CopyText(tSettings.szLogPath, kTextBuf, tConfig.szLogDir);
  CopyText(tSettings.szIncomingDataLogfilePrefix, kTextBuf, tConfig.szInPrefix);
  CopyText(tSettings.szOutgoingDataLogfilePrefix, kTextBuf, tConfig.szOutPrefix);
  tSettings.bPrefixesFromConfig = true;
  return -1;
}

// Returns the exit status when the run ends here, -1 to go on.
int ReadSettings(int argc, char** argv, settings_t& tSettings) {
  std::vector<const char*> tArguments;
  if (argc >= 2) {
    if (const int iStatus = ReadArguments(argc, argv, tSettings, tArguments); iStatus >= 0) {
      return iStatus;
    }
  }
  if (tArguments.empty()) {
    std::puts(kBanner);
    PrintUsage();
    return 255;
  }
  // Later files win over earlier ones, as later lines of a file over earlier ones.
  for (const char* szNamesFile : tSettings.tNamesFiles) {
    names_t tNames;
    int iError = 0;
    const std::string szShown = ShowText(szNamesFile);
    switch (ReadNamesFile(szNamesFile, tNames, iError)) {
      case names_outcome_t::kRead: break;
      case names_outcome_t::kNotAFile:
        Warn("the names file [%s] is not a regular file", szShown.c_str());
        return 2;
      case names_outcome_t::kTooLarge:
        Warn("the names file [%s] is larger than 16 MiB", szShown.c_str());
        return 2;
      case names_outcome_t::kUnreadable:
        WarnError(iError, "cannot read the names file [%s]", szShown.c_str());
        return 2;
    }
    std::vector<std::string>& tKeys = tSettings.tNamesFileKeys.emplace_back();
    for (const name_entry_t& tEntry : tNames) {
      if (!tEntry.szName.empty()) {
        tKeys.push_back(tEntry.szKey);
      }
    }
    AddNamesToBook(tNames, tSettings.tNames);
  }
  tSettings.tStartProcessing = time(nullptr);
  if (!ParseReportType(tArguments[0], tSettings.eReport)) {
    Warn("unknown report type [%s]: the types are %s", ShowText(tArguments[0]).c_str(),
         kReportTypes);
    return 2;
  }
  CopyText(tSettings.szLogPath, kTextBuf, "./");
  if (const int iStatus = ReadKitDefaults(tArguments, tSettings); iStatus >= 0) {
    return iStatus;
  }
  CopyArgument(tSettings.szLogPath, tArguments, 3);
  CopyArgument(tSettings.szIncomingDataLogfilePrefix, tArguments, 4);
  CopyArgument(tSettings.szOutgoingDataLogfilePrefix, tArguments, 5);
  tSettings.bIncomingPrefixAlone = !tSettings.bPrefixesFromConfig && tArguments.size() == 5;
  CopyArgument(tSettings.szLogFileStartFilter, tArguments, 1);
  CopyArgument(tSettings.szLogFileEndFilter, tArguments, 2);
  // Every filter becomes a whole day, or the run stops before a report that would mislead.
  for (const bool bEnd : {false, true}) {
    char* szFilter = bEnd ? tSettings.szLogFileEndFilter : tSettings.szLogFileStartFilter;
    const std::string szGiven = ShowText(szFilter);
    if (!ProcessSpecialDateParameter(szFilter, tSettings.tStartProcessing, bEnd,
                                     tSettings.tOptions.iPeriodStart)) {
      Warn("the %s date [%s] is no date: give %s", bEnd ? "end" : "start", szGiven.c_str(),
           kDateForms);
      return 2;
    }
  }
  tSettings.uiStart = ParseDateNumber(tSettings.szLogFileStartFilter);
  tSettings.uiEnd = ParseDateNumber(tSettings.szLogFileEndFilter);
  if (tSettings.uiEnd < tSettings.uiStart) {
    Warn("the end date %s is before the start date %s", tSettings.szLogFileEndFilter,
         tSettings.szLogFileStartFilter);
    return 2;
  }
  return -1;
}

// The console report opens with the banner and the range it was asked for.
void PrintBanner(const settings_t& tSettings) {
  if (tSettings.eReport == report_type_t::kConsole) {
    std::puts(kBanner);
    std::printf("Using filter date-range [%s] - [%s]\n", tSettings.szLogFileStartFilter,
                tSettings.szLogFileEndFilter);
  }
}

void PrintReport(const settings_t& tSettings, const report_t& tReport) {
  const double dElapsedSeconds = difftime(time(nullptr), tSettings.tStartProcessing);
  switch (tSettings.eReport) {
    case report_type_t::kConsole: WriteConsoleReport(stdout, tReport, dElapsedSeconds); break;
    case report_type_t::kHtml: WriteHtmlReport(stdout, tReport); break;
    case report_type_t::kCsv: WriteCsvReport(stdout, tReport); break;
    case report_type_t::kJson: WriteJsonReport(stdout, tReport); break;
    case report_type_t::kDaily: WriteDailyPage(stdout, tReport); break;
    case report_type_t::kMonthly: WriteMonthlyPage(stdout, tReport); break;
    case report_type_t::kNone: break;
  }
}

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

// A host's name: the admin's, from a hosts-style file, else from its rule's comment, else from
// the leases valid in the report's days; shown only when it is 1 to 64 printable characters. A
// lease never overrides the admin's name: where one names the host otherwise, that is said.
void NameReportHosts(const settings_t& tSettings, bool bPerDay, report_t& tReport) {
  std::unordered_set<std::string> tReportKeys;
  std::vector<long long> tStarts;
  if (!tSettings.tNames.tLeases.empty() && tReport.iDays > 0) {
    tStarts = GetReportDayStarts(tReport);
  }
  for (host_figures_t& tHost : tReport.tHosts) {
    const std::string szKey = MakeAddressKey(tHost.szHost);
    tReportKeys.insert(szKey);
    if (const auto pName = tSettings.tNames.tAdmin.find(szKey);
        pName != tSettings.tNames.tAdmin.end() && !pName->second.empty()) {
      tHost.szName = pName->second;
    }
    const auto pLeases = tSettings.tNames.tLeases.find(szKey);
    if (pLeases != tSettings.tNames.tLeases.end() && !tStarts.empty()) {
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
    if (!IsHostNameShown(tHost.szName)) {
      tHost.szName.clear();
    }
  }
  // A names file of another network, or of another format, names nothing: say so.
  for (std::size_t iFile = 0; iFile < tSettings.tNamesFiles.size() && !tReportKeys.empty();
       ++iFile) {
    const std::vector<std::string>& tKeys = tSettings.tNamesFileKeys[iFile];
    if (std::none_of(tKeys.begin(), tKeys.end(),
                     [&](const std::string& szKey) { return tReportKeys.count(szKey) > 0; })) {
      Warn("the names file [%s] names none of the report's hosts",
           ShowText(tSettings.tNamesFiles[iFile]).c_str());
    }
  }
}

// Both passes share the tables and the report range; the directory is listed once for both.
// Returns 1 when anything of the chosen files was left out, or a day may lack traffic.
int RunAndReport(const settings_t& tSettings) {
  run_t tRun;
  char szToday[kTextBuf] = {};
  ProcessSpecialDateParameter(szToday, tSettings.tStartProcessing);
  const run_request_t tRequest = {tSettings.szLogPath,
                                  tSettings.szIncomingDataLogfilePrefix,
                                  tSettings.szOutgoingDataLogfilePrefix,
                                  tSettings.uiStart,
                                  tSettings.uiEnd,
                                  tSettings.bIncomingPrefixAlone,
                                  ParseDateNumber(szToday)};
  RunPasses(tRequest, ListLogDirectory(tSettings.szLogPath), tRun);
  report_t tReport;
  // The console and HTML reports print totals only: a big site's days need not be held twice.
  const bool bKeepDays = tSettings.eReport != report_type_t::kConsole &&
                         tSettings.eReport != report_type_t::kHtml &&
                         tSettings.eReport != report_type_t::kNone;
  BuildReport(tRun.tBandwidthUsage, tRun.tBandwidthUsageInitValue, tRun.tRange.start_date,
              tRun.tRange.end_date, tReport, bKeepDays);
  CountReportSnapshots(std::move(tRun.tStamps), tReport);
  const bool bLoss = tRun.bReadAny && MarkReportLosses(tRequest, tReport);
  // Traffic the kit could give no host (a full set of discovered hosts) is billed to nobody.
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
  NameReportHosts(
      tSettings,
      tSettings.eReport == report_type_t::kCsv || tSettings.eReport == report_type_t::kJson,
      tReport);
  if (tSettings.tOptions.bGroupByName) {
    GroupReportHosts(tReport);
  }
  if (tSettings.tOptions.llOverBytes >= 0) {
    KeepHostsOver(tSettings.tOptions.llOverBytes, tReport);
  }
  ApplyReportOptions(
      tSettings.tOptions,
      tSettings.eReport == report_type_t::kDaily || tSettings.eReport == report_type_t::kMonthly,
      tReport);
  PrintReport(tSettings, tReport);
  return tRun.bIncomplete || bLoss || bSetFull ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that went away (a closed pipe) is a write error to report, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  settings_t tSettings;
  const int iStatus = ReadSettings(argc, argv, tSettings);
  if (iStatus >= 0) {
    return iStatus;
  }
  PrintBanner(tSettings);
  const int iResult = RunAndReport(tSettings);
  // A report that could not be written (a full disk, a closed pipe) must not pass for one that was.
  const bool bFlushed = std::fflush(stdout) == 0;
  const int iError = errno;
  if (!bFlushed || std::ferror(stdout) != 0) {
    WarnError(iError != 0 ? iError : EIO, "couldn't write the report");
    return 1;
  }
  return iResult;
}
