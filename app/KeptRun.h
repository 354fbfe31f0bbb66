#pragma once

#include "CommandLine.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <optional>
#include <string>

class QuitOnSignal;

// The console's self-test run kept in the history, unless --no-history: at once in the local
// file, then, with a server, that run alone uploaded, waited for at most 3 s after the verdict
// and not at all after Ctrl+C or SIGTERM; a run the server does not take meanwhile waits in the
// local file for --sync or the window. A run the local file cannot take goes to the server
// alone. What went wrong is said on standard error; the verdict stands all the same, but a run
// in neither place ends the program with exit 2, and a signal with 130.
std::optional<int> keepRun(const CommandLine::SelfTest &options, const line::SelfTestReport &report,
                           const line::ReportHeader &header, const line::WallClock &wallClock,
                           QuitOnSignal &interrupt);
