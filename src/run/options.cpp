// The command line read into a request: the option grammar, the values' parsers, the help, the
// kit's defaults, the names files and the date filters, each error a message returned.
#include "run/options.h"

#include <getopt.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstring>
#include <vector>

#include "accounting/date_filter.h"
#include "config/kit_config.h"

namespace {

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

// A message is composed where its arguments are, as long as a message line may be.
constexpr std::size_t kMessageBuf = 2048;

[[gnu::format(printf, 2, 3)]] bool Fail(std::string* pErr, const char* szFormat, ...) {
  char szText[kMessageBuf];
  std::va_list tArguments;
  va_start(tArguments, szFormat);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  std::vsnprintf(szText, sizeof szText, szFormat, tArguments);
  va_end(tArguments);
  *pErr = szText;
  return false;
}

bool FailOption(std::string* pErr, const char* szWhat, const char* szArgument) {
  return Fail(pErr, "%s %s (netreckon --help lists the options)", szWhat, szArgument);
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

// Arguments returned in order ('-'), a missing value told apart (':'), then -h and -V. The
// parser reads these once, when it starts afresh.
constexpr const char* kShortOptions = "-:hV";

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

// What the command line gave before its values are resolved.
struct command_line_t {
  std::vector<const char*> tArguments;  // the positional ones, in order
  const char* szConfig = nullptr;       // --config: the kit's config file for the defaults
};

// Reads one option's value into the request.
bool ReadOption(int iOption, const char* szValue, request_t& tRequest, command_line_t& tLine,
                std::string* pErr) {
  report_options_t& tOptions = tRequest.tOptions;
  const std::string_view szText = szValue != nullptr ? szValue : "";
  switch (iOption) {
    case kOptionNames: tOptions.bNames = true; return true;
    case kOptionNamesFile:
      tRequest.tNames.tFiles.push_back(szValue);
      tOptions.bNames = true;
      return true;
    case kOptionSort:
      tOptions.bOrderGiven = true;
      return ReadWord(szText, kOrders, tOptions.eOrder) ||
             FailOption(pErr, "--sort takes total, in, out or host, not", szValue);
    case kOptionTop:
      return ReadWholeNumber(szText, 9, 1, 999'999'999, tOptions.iTop) ||
             FailOption(pErr, "--top takes a whole number of hosts from 1, not", szValue);
    case kOptionBy:
      return ReadWord(szText, kPeriods, tOptions.eBy) ||
             FailOption(pErr, "--by takes day, week or month, not", szValue);
    case kOptionPeriodStart:
      return ReadWholeNumber(szText, 2, 1, 28, tOptions.iPeriodStart) ||
             FailOption(pErr, "--period-start takes a day of the month from 1 to 28, not", szValue);
    case kOptionGroup:
      tOptions.bGroupByName = szText == "name";
      return tOptions.bGroupByName || FailOption(pErr, "--group takes name, not", szValue);
    case kOptionOver:
      return ReadSize(szText, tOptions.llOverBytes) ||
             FailOption(pErr, "--over takes a size such as 800M, 50G or 2T, not", szValue);
    case kOptionConfig: tLine.szConfig = szValue; return true;
    default: return true;
  }
}

// The parser starts afresh: a reading before this one (a test's) may have stopped inside an
// argument that is gone. Only optind 0 makes it forget, on the call that sees it.
void ResetOptionParser() {
  char szName[] = "netreckon";
  char* aszNone[] = {szName, nullptr};
  opterr = 0;
  optind = 0;
  getopt_long(1, aszNone, kShortOptions, kOptions, nullptr);
  optind = 1;
}

// Reads the options, wherever they stand, and the positional arguments in order; help and the
// version end the reading.
bool ReadArguments(int argc, char** argv, request_t& tRequest, command_line_t& tLine,
                   std::string* pErr) {
  ResetOptionParser();
  while (optind < argc) {
    if (IsNegativeNumber(argv[optind])) {
      tLine.tArguments.push_back(argv[optind++]);
      continue;
    }
    const int iOption = getopt_long(argc, argv, kShortOptions, kOptions, nullptr);
    if (iOption == -1) {
      break;
    }
    switch (iOption) {
      case 1: tLine.tArguments.push_back(optarg); break;
      case 'h': tRequest.eCommand = command_t::kHelp; return true;
      case 'V': tRequest.eCommand = command_t::kVersion; return true;
      case ':': return FailOption(pErr, "a value is missing after", argv[optind - 1]);
      case '?': return FailOption(pErr, "unknown option", argv[optind - 1]);
      default:
        if (!ReadOption(iOption, optarg, tRequest, tLine, pErr)) {
          return false;
        }
    }
  }
  // After "--" everything is an argument.
  for (; optind < argc; ++optind) {
    tLine.tArguments.push_back(argv[optind]);
  }
  return true;
}

// Reads the names files: later files win over earlier ones, as later lines of a file over
// earlier ones.
bool ReadNamesFiles(names_request_t& tNames, std::string* pErr) {
  for (const char* szNamesFile : tNames.tFiles) {
    names_t tRead;
    int iError = 0;
    const std::string szShown = ShowText(szNamesFile);
    switch (ReadNamesFile(szNamesFile, tRead, iError)) {
      case names_outcome_t::kRead: break;
      case names_outcome_t::kNotAFile:
        return Fail(pErr, "the names file [%s] is not a regular file", szShown.c_str());
      case names_outcome_t::kTooLarge:
        return Fail(pErr, "the names file [%s] is larger than 16 MiB", szShown.c_str());
      case names_outcome_t::kUnreadable:
        return Fail(pErr, "cannot read the names file [%s]: %s", szShown.c_str(),
                    std::strerror(iError));
    }
    std::vector<std::string>& tKeys = tNames.tFileKeys.emplace_back();
    for (const name_entry_t& tEntry : tRead) {
      if (!tEntry.szName.empty()) {
        tKeys.push_back(tEntry.szKey);
      }
    }
    AddNamesToBook(tRead, tNames.tBook);
  }
  return true;
}

// Without the log path argument, the directory and both prefixes come from the kit's config
// (--config, else the kit's own file where it exists). Sets bFromConfig when they did.
bool ReadKitDefaults(const command_line_t& tLine, request_t& tRequest, bool& bFromConfig,
                     std::string* pErr) {
  bFromConfig = false;
  if (tLine.tArguments.size() > 3) {
    return true;
  }
  const char* szPath = tLine.szConfig != nullptr ? tLine.szConfig : kKitConfigPath;
  struct stat tStat = {};
  if (tLine.szConfig == nullptr && lstat(szPath, &tStat) != 0) {
    return true;
  }
  kit_config_t tConfig;
  std::string szError;
  if (!ReadKitConfig(szPath, tConfig, szError)) {
    return Fail(pErr, "cannot read the config [%s]: %s", ShowText(szPath).c_str(),
                ShowText(szError).c_str());
  }
  CopyText(tRequest.szLogPath, kTextBuf, tConfig.szLogDir);
  CopyText(tRequest.szIncomingDataLogfilePrefix, kTextBuf, tConfig.szInPrefix);
  CopyText(tRequest.szOutgoingDataLogfilePrefix, kTextBuf, tConfig.szOutPrefix);
  bFromConfig = true;
  return true;
}

// The positional argument at iPosition, empty when there is none, cut as a setting holds it.
std::string_view GetArgument(const command_line_t& tLine, std::size_t iPosition) {
  if (tLine.tArguments.size() <= iPosition) {
    return {};
  }
  const std::string_view szArgument = tLine.tArguments[iPosition];
  return szArgument.substr(0, kTextBuf - 1);
}

void CopyArgument(char (&szSetting)[kTextBuf], const command_line_t& tLine, std::size_t iPosition) {
  if (tLine.tArguments.size() > iPosition) {
    CopyText(szSetting, sizeof szSetting, GetArgument(tLine, iPosition));
  }
}

// Every filter becomes a whole day, or the run stops before a report that would mislead.
bool ResolveDates(const command_line_t& tLine, request_t& tRequest, std::string* pErr) {
  for (const bool bEnd : {false, true}) {
    const std::string_view szFilter = GetArgument(tLine, bEnd ? 2 : 1);
    date_number_t& uiDay = bEnd ? tRequest.end_date : tRequest.start_date;
    if (!ResolveDateFilter(szFilter, tRequest.tStartProcessing, bEnd,
                           tRequest.tOptions.iPeriodStart, uiDay)) {
      return Fail(pErr, "the %s date [%s] is no date: give %s", bEnd ? "end" : "start",
                  ShowText(szFilter).c_str(), kDateForms);
    }
  }
  ResolveDateFilter("", tRequest.tStartProcessing, false, 1, tRequest.uiToday);
  if (tRequest.end_date < tRequest.start_date) {
    return Fail(pErr, "the end date %08llu is before the start date %08llu", tRequest.end_date,
                tRequest.start_date);
  }
  return true;
}

}  // namespace

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

bool ReadRequest(int argc, char** argv, time_t tNow, request_t& tRequest, std::string* pErr) {
  command_line_t tLine;
  if (argc >= 2 && !ReadArguments(argc, argv, tRequest, tLine, pErr)) {
    return false;
  }
  if (tRequest.eCommand != command_t::kRun) {
    return true;
  }
  if (tLine.tArguments.empty()) {
    tRequest.eCommand = command_t::kUsage;
    return true;
  }
  if (!ReadNamesFiles(tRequest.tNames, pErr)) {
    return false;
  }
  tRequest.tStartProcessing = tNow;
  if (!ParseReportType(tLine.tArguments[0], tRequest.eReport)) {
    return Fail(pErr, "unknown report type [%s]: the types are %s",
                ShowText(tLine.tArguments[0]).c_str(), kReportTypes);
  }
  CopyText(tRequest.szLogPath, kTextBuf, "./");
  bool bFromConfig = false;
  if (!ReadKitDefaults(tLine, tRequest, bFromConfig, pErr)) {
    return false;
  }
  CopyArgument(tRequest.szLogPath, tLine, 3);
  CopyArgument(tRequest.szIncomingDataLogfilePrefix, tLine, 4);
  CopyArgument(tRequest.szOutgoingDataLogfilePrefix, tLine, 5);
  tRequest.bIncomingPrefixAlone = !bFromConfig && tLine.tArguments.size() == 5;
  return ResolveDates(tLine, tRequest, pErr);
}

void WriteCommandText(std::FILE* pOut, command_t eCommand) {
  if (eCommand == command_t::kUsage) {
    std::fprintf(pOut, "%s\n", kBanner);
  }
  for (const char* szUsage : kUsage) {
    std::fprintf(pOut, "%s\n", szUsage);
  }
  if (eCommand == command_t::kHelp) {
    std::fputs(kHelpMore, pOut);
  }
}

void WriteBanner(std::FILE* pOut, const request_t& tRequest) {
  if (tRequest.eReport == report_type_t::kConsole) {
    std::fprintf(pOut, "%s\nUsing filter date-range [%08llu] - [%08llu]\n", kBanner,
                 tRequest.start_date, tRequest.end_date);
  }
}
