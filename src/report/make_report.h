// The report pipeline: a run's tables made into the report the request asks for, and written.
// The program and the tests call these, so that what is tested is what runs.
#pragma once

#include <cstdio>
#include <string>

#include "report/report.h"
#include "run/request.h"
#include "run/run.h"

/// Makes the report of a run: the figures of the report range, the snapshots per day, the days
/// that may lack traffic, the traffic no host took, the hosts' names, and the options (--group,
/// --over, the order and --top). Moves the run's stamps. Returns false when the figures may be
/// short (the run left something out, a day may lack traffic, a set of hosts was full); each
/// cause is said on standard error.
bool MakeReport(run_t& tRun, const request_t& tRequest, report_t& tReport);

/// Writes the report in the type the request asks for and flushes it; false, with the message
/// in *pErr, when it could not be written whole (a full disk, a closed pipe).
bool WriteReport(std::FILE* pOut, const request_t& tRequest, const report_t& tReport,
                 double dElapsedSeconds, std::string* pErr);
