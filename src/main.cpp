// netreckon: per-host traffic in and out over a range of days, from packet-filter counter logs.
#include <cstdio>
#include <ctime>

#include "accounting/records.h"
#include "logs/logs.h"

namespace {

// What the command line asks for.
struct settings_t {
  int32_t iGenerateType = 0;
  char szLogFileStartFilter[kTextBuf] = {};
  char szLogFileEndFilter[kTextBuf] = {};
  char szLogPath[kTextBuf] = {};
  char szIncomingDataLogfilePrefix[kTextBuf] = {};
  char szOutgoingDataLogfilePrefix[kTextBuf] = {};
  time_t tStartProcessing = 0;
};

constexpr int32_t kConsoleReport = 0;
constexpr int32_t kHtmlReport = 1;

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

// 101 "=" and a line break.
constexpr const char* kRule =
    "=================================================="
    "===================================================\n";

constexpr const char* kHtmlHead =
    "        <html>"
    "        <link rel='stylesheet' type='text/css' href='vivovo.css'>"
    "        <link rel='stylesheet' type='text/css' href='red.css'>"
    "        <body>"
    "        <b>Bandwidth usage from: %llu to %llu</b>"
    "        <table class=\"bwmg\" cellspacing=\"1\">"
    "        <tbody>"
    "        <tr class=\"header\">"
    "        <td class=\"rtitle\">Host</td>"
    "        <td class=\"dl\">Download</td>"
    "        <td class=\"ul\">Upload</td>"
    "        <td class=\"total\">Total</td>"
    "        </tr>";

constexpr const char* kHtmlTail =
    "        </tbody>        </table>        </html>        </body>        ";

constexpr const char* kHostIndent = "            ";
constexpr const char* kTotalsIndent = "        ";

// One table row; every piece of it follows the same indent.
void PrintHtmlRow(const char* szIndent, const char* szClass, const char* szTitle, double dIn,
                  double dOut) {
  std::printf(
      "%s<tr class=\"%s\">%s<td class=\"rtitle\">%s</td>%s<td class=\"dl\">%.2f MB</td>"
      "%s<td class=\"ul\">%.2f MB</td>%s<td class=\"total\">%.2f MB</td>%s</tr>",
      szIndent, szClass, szIndent, szTitle, szIndent, dIn, szIndent, dOut, szIndent, dIn + dOut,
      szIndent);
}

void CopyArgument(char (&szSetting)[kTextBuf], int argc, char** argv, int iPosition) {
  if (argc > iPosition) {
    CopyText(szSetting, sizeof szSetting, argv[iPosition]);
  }
}

// Returns the exit status when the run ends here, -1 to go on.
int ReadSettings(int argc, char** argv, settings_t& tSettings) {
  if (argc < 2) {
    std::puts(kBanner);
    for (const char* szUsage : kUsage) {
      std::puts(szUsage);
    }
    return 255;
  }
  tSettings.tStartProcessing = time(nullptr);
  tSettings.iGenerateType = ParseInt(argv[1]);
  if (tSettings.iGenerateType == kConsoleReport) {
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
  if (tSettings.iGenerateType == kConsoleReport) {
    std::printf("Using filter date-range [%s] - [%s]\n", tSettings.szLogFileStartFilter,
                tSettings.szLogFileEndFilter);
  }
  return -1;
}

// The host address as HTML text; an address is written into the page, so it is escaped.
void EscapeHtml(char (&szEscaped)[kIpBuf * 6], const char* szText) {
  std::size_t iOut = 0;
  for (const char* pChar = szText; *pChar != '\0'; ++pChar) {
    const char* szEntity = nullptr;
    switch (*pChar) {
      case '&': szEntity = "&amp;"; break;
      case '<': szEntity = "&lt;"; break;
      case '>': szEntity = "&gt;"; break;
      case '"': szEntity = "&quot;"; break;
      case '\'': szEntity = "&#39;"; break;
      default: break;
    }
    const std::string_view szPiece = szEntity != nullptr ? szEntity : std::string_view(pChar, 1);
    if (iOut + szPiece.size() >= sizeof szEscaped) {
      break;
    }
    szPiece.copy(szEscaped + iOut, szPiece.size());
    iOut += szPiece.size();
  }
  szEscaped[iOut] = '\0';
}

double SumDaySlots(const day_slots_t& tSlots) {
  double dSum = 0;
  for (const double dSlot : tSlots) {
    dSum += dSlot;
  }
  return dSum;
}

const data_t* FindBaseline(const host_table_t& tInit, const char* szIp) {
  for (const data_t& tHost : tInit) {
    if (tHost.ip[0] != '\0' && EqualsIgnoreCase(tHost.ip, szIp)) {
      return &tHost;
    }
  }
  return nullptr;
}

void PrintReport(const settings_t& tSettings, const host_table_t& tUsage,
                 const host_table_t& tInit) {
  const int32_t iType = tSettings.iGenerateType;
  if (iType == kConsoleReport) {
    std::fputs(kRule, stdout);
    std::printf("Bandwidth usage from: %llu to %llu\n", start_date, end_date);
  } else if (iType == kHtmlReport) {
    std::printf(kHtmlHead, start_date, end_date);
  }
  double master_bytes_in_total = 0;
  double master_bytes_out_total = 0;
  for (int iIdx = 0; iIdx < kMaxClients && tUsage[iIdx].ip[0] != '\0'; ++iIdx) {
    const data_t& tHost = tUsage[iIdx];
    double bytes_in_total = SumDaySlots(tHost.bytes_in);
    double bytes_out_total = SumDaySlots(tHost.bytes_out);
    // The baseline is the counters' level before the range: only its slot 0 is taken out.
    // A first reading below it means the counter was reset in between, and counts whole.
    if (const data_t* pBaseline = FindBaseline(tInit, tHost.ip)) {
      const double dInitialBytesIn = pBaseline->bytes_in[0];
      const double dInitialBytesOut = pBaseline->bytes_out[0];
      if (!(HasAnyReading(tHost.has_previous_in) && tHost.first_bytes_in < dInitialBytesIn)) {
        bytes_in_total -= dInitialBytesIn;
      }
      if (!(HasAnyReading(tHost.has_previous_out) && tHost.first_bytes_out < dInitialBytesOut)) {
        bytes_out_total -= dInitialBytesOut;
      }
    }
    master_bytes_in_total += bytes_in_total;
    master_bytes_out_total += bytes_out_total;
    if (iType == kConsoleReport) {
      std::printf("Totals for host [%s]\tIncoming [%.2f MB]\tOutgoing [%.2f MB]\tTotal [%.2f MB]\n",
                  tHost.ip, bytes_in_total, bytes_out_total, bytes_in_total + bytes_out_total);
    } else if (iType == kHtmlReport) {
      char szHost[kIpBuf * 6] = {};
      EscapeHtml(szHost, tHost.ip);
      PrintHtmlRow(kHostIndent, iIdx % 2 == 0 ? "even" : "odd", szHost, bytes_in_total,
                   bytes_out_total);
    }
  }
  const double dElapsedSeconds = difftime(time(nullptr), tSettings.tStartProcessing);
  if (iType == kConsoleReport) {
    std::fputs(kRule, stdout);
    std::printf(
        "Totals for all hosts in filter\tIncoming [%.2f MB]\tOutgoing [%.2f MB]\tTotal [%.2f MB]\n",
        master_bytes_in_total, master_bytes_out_total,
        master_bytes_in_total + master_bytes_out_total);
    std::printf("\nElapsed time to generate stats: %.2f\n", dElapsedSeconds);
  } else if (iType == kHtmlReport) {
    PrintHtmlRow(kTotalsIndent, "header", "Total", master_bytes_in_total, master_bytes_out_total);
    std::fputs(kHtmlTail, stdout);
  }
}

// Both passes share the tables and the report range; the directory is listed once for both.
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
  PrintReport(tSettings, tBandwidthUsage, tBandwidthUsageInitValue);
  return 0;
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
