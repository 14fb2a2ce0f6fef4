// netreckon: per-host traffic in and out over a range of days, from packet-filter counter logs.
#include <getopt.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "accounting/records.h"
#include "logs/logs.h"
#include "report/report.h"

namespace {

// What the command line asks for.
struct settings_t {
  report_type_t eReport = report_type_t::kConsole;  // the generate-type
  char szLogFileStartFilter[kTextBuf] = {};
  char szLogFileEndFilter[kTextBuf] = {};
  char szLogPath[kTextBuf] = {};
  char szIncomingDataLogfilePrefix[kTextBuf] = {};
  char szOutgoingDataLogfilePrefix[kTextBuf] = {};
  time_t tStartProcessing = 0;  // also "today" for the date filters and the notices
  report_options_t tOptions;
  std::vector<const char*> tNamesFiles;
  std::unordered_map<std::string, std::string> tNames;  // key, ASCII case folded, to name
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
    "Date filters: YYYYMMDD, today, today-N (N days ago), month, month-N (this or N calendar\n"
    "months ago), year, year-N: a period is its first day as a start, its last day as an end.\n"
    "Options, before, between or after the arguments (-- ends them):\n"
    "  --names            show host names in the console and HTML reports too\n"
    "  --names-file FILE  names from a hosts file or a DHCP lease file (repeatable, later wins;\n"
    "                     else the rule's comment in the newest snapshot); implies --names\n"
    "  --sort ORDER       total, in or out (most bytes first) or host (by address)\n"
    "  --top N            the first N hosts, then one line for the other hosts\n"
    "  --by PERIOD        day (the default) or month: one csv row or json entry per month\n"
    "  --help, -h         this text;  --version, -V  the version\n"
    "Exit status: 0 every row of every chosen file was accounted; 1 something was left out\n"
    "(the directory could not be listed, a file or a row was refused or could not be read)\n"
    "or the report could not be written; 2 a bad option; 255 no arguments.\n";

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

enum option_id_t { kOptionNames = 256, kOptionNamesFile, kOptionSort, kOptionTop, kOptionBy };

constexpr option kOptions[] = {
    {"names", no_argument, nullptr, kOptionNames},
    {"names-file", required_argument, nullptr, kOptionNamesFile},
    {"sort", required_argument, nullptr, kOptionSort},
    {"top", required_argument, nullptr, kOptionTop},
    {"by", required_argument, nullptr, kOptionBy},
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
      if (szText == "total") {
        tOptions.eOrder = host_order_t::kTotal;
      } else if (szText == "in") {
        tOptions.eOrder = host_order_t::kIn;
      } else if (szText == "out") {
        tOptions.eOrder = host_order_t::kOut;
      } else if (szText == "host") {
        tOptions.eOrder = host_order_t::kHost;
      } else {
        return ReportBadOption("--sort takes total, in, out or host, not", szValue);
      }
      return -1;
    case kOptionTop:
      if (szText.empty() || szText.size() > 9 ||
          szText.find_first_not_of("0123456789") != std::string_view::npos ||
          ParseInt(szValue) < 1) {
        return ReportBadOption("--top takes a whole number of hosts from 1, not", szValue);
      }
      tOptions.iTop = ParseInt(szValue);
      return -1;
    case kOptionBy:
      if (szText != "day" && szText != "month") {
        return ReportBadOption("--by takes day or month, not", szValue);
      }
      tOptions.bByMonth = szText == "month";
      return -1;
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
    std::vector<std::pair<std::string, std::string>> tNames;
    int iError = 0;
    if (!ReadNamesFile(szNamesFile, tNames, iError)) {
      std::fprintf(stderr, "netreckon: cannot read the names file %s: %s\n", szNamesFile,
                   std::strerror(iError));
      return 2;
    }
    for (auto& [szKey, szName] : tNames) {
      tSettings.tNames[szKey] = std::move(szName);
    }
  }
  tSettings.tStartProcessing = time(nullptr);
  tSettings.eReport = ParseReportType(tArguments[0]);
  if (tSettings.eReport == report_type_t::kConsole) {
    std::puts(kBanner);
  }
  CopyText(tSettings.szLogPath, kTextBuf, "./");
  CopyArgument(tSettings.szLogPath, tArguments, 3);
  CopyArgument(tSettings.szIncomingDataLogfilePrefix, tArguments, 4);
  CopyArgument(tSettings.szOutgoingDataLogfilePrefix, tArguments, 5);
  CopyArgument(tSettings.szLogFileStartFilter, tArguments, 1);
  ProcessSpecialDateParameter(tSettings.szLogFileStartFilter, tSettings.tStartProcessing);
  CopyArgument(tSettings.szLogFileEndFilter, tArguments, 2);
  ProcessSpecialDateParameter(tSettings.szLogFileEndFilter, tSettings.tStartProcessing, true);
  if (tSettings.eReport == report_type_t::kConsole) {
    std::printf("Using filter date-range [%s] - [%s]\n", tSettings.szLogFileStartFilter,
                tSettings.szLogFileEndFilter);
  }
  return -1;
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

// Everything a run holds: both tables, what was left out, and the report built from them.
struct run_t {
  host_table_t tBandwidthUsage;
  host_table_t tBandwidthUsageInitValue;
  bool bIncomplete = false;  // a file or a row was left out: the figures may be short
  bool bReadAny = false;
  date_number_t uiLatestFileDate = 0;     // of the files of the range that were read
  std::vector<date_number_t> tFileDates;  // the name date of every file of the range read
  report_t tReport;
};

// Says what became of a file that was not read whole; anything left out makes the status 1.
void ReportLogRead(const log_read_t& tRead, run_t& tRun) {
  switch (tRead.eOutcome) {
    case log_outcome_t::kRead:
    case log_outcome_t::kNotAFile: break;
    case log_outcome_t::kSymlink:
      std::fprintf(stderr, "Skipped [%s]: a symbolic link is never followed\n",
                   tRead.szFullFilePath);
      tRun.bIncomplete = true;
      break;
    case log_outcome_t::kTooLarge:
      std::fprintf(stderr, "Refused [%s]: larger than 256 MiB, no snapshot\n",
                   tRead.szFullFilePath);
      tRun.bIncomplete = true;
      break;
    case log_outcome_t::kUnreadable:
      std::fprintf(stderr, "Couldn't read [%s]: %s\n", tRead.szFullFilePath,
                   std::strerror(tRead.iError));
      tRun.bIncomplete = true;
      break;
  }
  if (tRead.iRefusedRows > 0) {
    std::fprintf(stderr,
                 "Refused %d rows of [%s]: not a counter row (fewer than eight columns, a byte "
                 "counter that is no count, or a host column that is no address)\n",
                 tRead.iRefusedRows, tRead.szFullFilePath);
    tRun.bIncomplete = true;
  }
}

// One direction: choose its files, then read them in the order chosen.
void RunPass(const settings_t& tSettings, const dir_listing_t& tListing, const char* szPrefix,
             int32_t iDirection, run_t& tRun) {
  if (!tListing.bOpened) {
    std::fprintf(stderr, "Couldn't open the directory: %s\n", std::strerror(tListing.iOpenError));
    tRun.bIncomplete = true;
    return;
  }
  const scan_plan_t tPlan = ScanLogListing(tListing, szPrefix, tSettings.szLogFileStartFilter,
                                           tSettings.szLogFileEndFilter);
  for (const planned_log_t& tLog : tPlan.tLogs) {
    const log_file_t tFile = {tSettings.szLogPath, tLog.szName, tLog.uiFileDate, iDirection,
                              tLog.iLogFileIsOnANewDate};
    const log_read_t tRead = ProcessLogFile(
        tFile, tLog.bBaseline ? tRun.tBandwidthUsageInitValue : tRun.tBandwidthUsage);
    ReportLogRead(tRead, tRun);
    if (!tLog.bBaseline && tRead.eOutcome == log_outcome_t::kRead) {
      tRun.bReadAny = true;
      tRun.tFileDates.push_back(tLog.uiFileDate);
      tRun.uiLatestFileDate =
          tLog.uiFileDate > tRun.uiLatestFileDate ? tLog.uiFileDate : tRun.uiLatestFileDate;
    }
  }
  if (!tPlan.tLogs.empty() && !tPlan.bHasBaseline) {
    std::fprintf(stderr,
                 "Notice: no snapshot of [%s] before the range: its first readings count whole, "
                 "all the traffic since the counters were last reset\n",
                 szPrefix);
  }
}

// Mistakes that still give a plausible report: said once each, the status unchanged.
void WriteSettingsNotices(const settings_t& tSettings) {
  const char* szStart = tSettings.szLogFileStartFilter;
  const char* szEnd = tSettings.szLogFileEndFilter;
  if (IsWholeDate(szStart) && IsWholeDate(szEnd) && std::strcmp(szEnd, szStart) < 0) {
    std::fprintf(stderr,
                 "Notice: the end date %s is before the start date %s: only files named with "
                 "either date are read\n",
                 szEnd, szStart);
  }
  if (EqualsIgnoreCase(tSettings.szIncomingDataLogfilePrefix,
                       tSettings.szOutgoingDataLogfilePrefix)) {
    std::fprintf(stderr,
                 "Notice: the incoming and outgoing prefixes are the same: every file is read as "
                 "incoming and as outgoing\n");
  }
}

// Snapshots that end before an end date that has passed: the collection stopped.
void WriteEndNotice(const settings_t& tSettings, const run_t& tRun) {
  char szToday[kTextBuf] = {};
  ProcessSpecialDateParameter(szToday, tSettings.tStartProcessing);
  const char* szEnd = tSettings.szLogFileEndFilter;
  if (!tRun.bReadAny || !IsWholeDate(szEnd) || std::strcmp(szEnd, szToday) > 0 ||
      tRun.uiLatestFileDate >= ParseDateNumber(szEnd)) {
    return;
  }
  char szLatest[kIsoDateBuf];
  FormatDayDate(tRun.uiLatestFileDate, 0, szLatest);
  std::fprintf(stderr, "Notice: the snapshots stop on %s, before the end date %s\n", szLatest,
               szEnd);
}

// A host's name: from the names files, else its rule's comment; shown only when it is 1 to 64
// printable characters.
void NameReportHosts(const settings_t& tSettings, report_t& tReport) {
  for (host_figures_t& tHost : tReport.tHosts) {
    std::string szKey = tHost.szHost;
    for (char& cChar : szKey) {
      cChar = cChar >= 'A' && cChar <= 'Z' ? static_cast<char>(cChar - 'A' + 'a') : cChar;
    }
    if (const auto pName = tSettings.tNames.find(szKey);
        pName != tSettings.tNames.end() && !pName->second.empty()) {
      tHost.szName = pName->second;
    }
    if (!IsHostNameShown(tHost.szName)) {
      tHost.szName.clear();
    }
  }
}

// Both passes share the tables and the report range; the directory is listed once for both.
// Returns 1 when anything of the chosen files was left out.
int RunAndReport(const settings_t& tSettings) {
  run_t tRun;
  WriteSettingsNotices(tSettings);
  const dir_listing_t tListing = ListLogDirectory(tSettings.szLogPath);
  RunPass(tSettings, tListing, tSettings.szIncomingDataLogfilePrefix, 0, tRun);
  RunPass(tSettings, tListing, tSettings.szOutgoingDataLogfilePrefix, 1, tRun);
  WriteEndNotice(tSettings, tRun);
  BuildReport(tRun.tBandwidthUsage, tRun.tBandwidthUsageInitValue, tRun.tReport);
  CountReportSnapshots(tRun.tFileDates, tRun.tReport);
  NameReportHosts(tSettings, tRun.tReport);
  ApplyReportOptions(
      tSettings.tOptions,
      tSettings.eReport == report_type_t::kDaily || tSettings.eReport == report_type_t::kMonthly,
      tRun.tReport);
  PrintReport(tSettings, tRun.tReport);
  return tRun.bIncomplete ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  settings_t tSettings;
  const int iStatus = ReadSettings(argc, argv, tSettings);
  if (iStatus >= 0) {
    return iStatus;
  }
  const int iResult = RunAndReport(tSettings);
  // A report that could not be written (a full disk, a closed pipe) must not pass for one that was.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::perror("Couldn't write the report");
    return 1;
  }
  return iResult;
}
