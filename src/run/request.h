// What one run of the program is asked for, every value resolved: the snapshots to read, the
// report to make of them, and the names to give its hosts.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "accounting/dates.h"
#include "accounting/text.h"
#include "names/names.h"
#include "report/report.h"
#include "run/run.h"

// What reading the command line ends in: a run, or a text and an exit status of their own.
enum class command_t { kRun, kHelp, kVersion, kUsage };

// The names files of the command line and what they name.
struct names_request_t {
  std::vector<const char*> tFiles;                  // as given, in order
  std::vector<std::vector<std::string>> tFileKeys;  // per file, the address keys it names
  name_book_t tBook;                                // every file's names, later files winning
};

struct request_t {
  command_t eCommand = command_t::kRun;
  report_type_t eReport = report_type_t::kConsole;  // the generate-type
  char szLogPath[kTextBuf] = {};
  char szIncomingDataLogfilePrefix[kTextBuf] = {};
  char szOutgoingDataLogfilePrefix[kTextBuf] = {};
  bool bIncomingPrefixAlone = false;  // a prefix argument for incoming and none for outgoing
  date_number_t start_date = 0;       // the date filters, resolved once to whole days
  date_number_t end_date = 0;
  date_number_t uiToday = 0;
  time_t tStartProcessing = 0;  // the clock the date words were read against
  report_options_t tOptions;    // every option that shapes the report, --group and --over too
  names_request_t tNames;
};

/// What the run passes read, taken from the request.
inline run_request_t MakeRunRequest(const request_t& tRequest) {
  return {tRequest.szLogPath,
          tRequest.szIncomingDataLogfilePrefix,
          tRequest.szOutgoingDataLogfilePrefix,
          tRequest.start_date,
          tRequest.end_date,
          tRequest.bIncomingPrefixAlone,
          tRequest.uiToday};
}
