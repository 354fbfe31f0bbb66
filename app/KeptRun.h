#pragma once

#include "CommandLine.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <string>

// The console's self-test run kept in the history, unless --no-history: at once in the local
// file, then uploaded, waiting for the upload before the program ends. A run that could not be
// kept is said on standard error; its verdict stands all the same.
void keepRun(const CommandLine::SelfTest &options, const line::SelfTestReport &report,
             const line::ReportHeader &header, const line::WallClock &wallClock);

// The report of a run that ended in ERROR before it touched the line.
line::SelfTestReport unrunReport(int address, const std::string &reason);
