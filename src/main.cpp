// netreckon: per-host traffic in and out over a range of days, from packet-filter counter logs.
#include <cstdio>
#include <ctime>
#include <string_view>

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
  time_t tStartProcessing = 0;
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
    "  csv    bytes per host and day: host,date,incoming_bytes,outgoing_bytes\n"
    "  json   the same as one JSON object, with totals per host and for all hosts\n"
    "  daily  an HTML page with a chart of the traffic per day and a table of hosts by days\n"
    "Exit status: 0 done, 1 the directory could not be listed, readings fell outside the 31\n"
    "days a report covers, or the report could not be written; 255 no arguments.\n"
    "--help, -h: this text. --version, -V: the version.\n";

void CopyArgument(char (&szSetting)[kTextBuf], int argc, char** argv, int iPosition) {
  if (argc > iPosition) {
    CopyText(szSetting, sizeof szSetting, argv[iPosition]);
  }
}

void PrintUsage() {
  for (const char* szUsage : kUsage) {
    std::puts(szUsage);
  }
}

// Returns the exit status when the run ends here, -1 to go on.
int ReadSettings(int argc, char** argv, settings_t& tSettings) {
  if (argc < 2) {
    std::puts(kBanner);
    PrintUsage();
    return 255;
  }
  const std::string_view szFirst = argv[1];
  if (szFirst == "--help" || szFirst == "-h") {
    PrintUsage();
    std::fputs(kHelpMore, stdout);
    return 0;
  }
  if (szFirst == "--version" || szFirst == "-V") {
    std::puts("netreckon " NETRECKON_VERSION);
    return 0;
  }
  tSettings.tStartProcessing = time(nullptr);
  tSettings.eReport = ParseReportType(argv[1]);
  if (tSettings.eReport == report_type_t::kConsole) {
    std::puts(kBanner);
  }
  CopyText(tSettings.szLogPath, kTextBuf, "./");
  CopyArgument(tSettings.szLogPath, argc, argv, 4);
  CopyArgument(tSettings.szIncomingDataLogfilePrefix, argc, argv, 5);
  CopyArgument(tSettings.szOutgoingDataLogfilePrefix, argc, argv, 6);
  CopyArgument(tSettings.szLogFileStartFilter, argc, argv, 2);
  ProcessSpecialDateParameter(tSettings.szLogFileStartFilter);
  CopyArgument(tSettings.szLogFileEndFilter, argc, argv, 3);
  ProcessSpecialDateParameter(tSettings.szLogFileEndFilter);
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
    case report_type_t::kNone: break;
  }
}

// Both passes share the tables and the report range; the directory is listed once for both.
// Returns 1 when the directory could not be listed or readings fell outside the report's days.
int RunAndReport(const settings_t& tSettings) {
  host_table_t tBandwidthUsage = {};
  host_table_t tBandwidthUsageInitValue = {};
  const dir_listing_t tListing = ListLogDirectory(tSettings.szLogPath);
  ProcessTrafficByDirectionFlow(tListing, tSettings.szLogPath,
                                tSettings.szIncomingDataLogfilePrefix, 0,
                                tSettings.szLogFileStartFilter, tSettings.szLogFileEndFilter,
                                tBandwidthUsage, tBandwidthUsageInitValue);
  ProcessTrafficByDirectionFlow(tListing, tSettings.szLogPath,
                                tSettings.szOutgoingDataLogfilePrefix, 1,
                                tSettings.szLogFileStartFilter, tSettings.szLogFileEndFilter,
                                tBandwidthUsage, tBandwidthUsageInitValue);
  static report_t s_tReport;
  BuildReport(tBandwidthUsage, tBandwidthUsageInitValue, s_tReport);
  PrintReport(tSettings, s_tReport);
  return tListing.bOpened && !HasDroppedReadings(s_tReport) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  static settings_t tSettings;
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
