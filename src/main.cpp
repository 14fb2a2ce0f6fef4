// netreckon: per-host traffic in and out over a range of days, from packet-filter counter logs.
// The outline: options -> request -> run -> report -> write -> status.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>

#include "logs/logs.h"
#include "report/make_report.h"
#include "run/options.h"
#include "run/request.h"
#include "run/run.h"

int main(int argc, char** argv) {
  // A reader that went away (a closed pipe) is a write error to report, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  request_t tRequest;
  std::string szError;
  if (!ReadRequest(argc, argv, time(nullptr), tRequest, &szError)) {
    Warn("%s", szError.c_str());
    return 2;
  }
  switch (tRequest.eCommand) {
    case command_t::kRun: break;
    case command_t::kVersion: std::puts("netreckon " NETRECKON_VERSION); return 0;
    case command_t::kHelp: WriteCommandText(stdout, tRequest.eCommand); return 0;
    case command_t::kUsage: WriteCommandText(stdout, tRequest.eCommand); return 255;
  }
  WriteBanner(stdout, tRequest);
  // Both passes share the tables and the report range; the directory is listed once for both.
  run_t tRun;
  RunPasses(MakeRunRequest(tRequest), ListLogDirectory(tRequest.szLogPath), tRun);
  report_t tReport;
  const bool bWhole = MakeReport(tRun, tRequest, tReport);
  // A report that could not be written (a full disk, a closed pipe) must not pass for one that was.
  if (!WriteReport(stdout, tRequest, tReport, difftime(time(nullptr), tRequest.tStartProcessing),
                   &szError)) {
    Warn("%s", szError.c_str());
    return 1;
  }
  return bWhole ? 0 : 1;
}
