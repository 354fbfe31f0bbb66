#pragma once

#include "CommandLine.h"

// rzm530-tester --self-test: the link and relay steps on one module, with no
// operator; each step printed as it finishes, the reports written as asked.
// Exits 0 on PASS, 1 on FAIL, 2 on ERROR (no port, the port lost, no module
// answering, a report that cannot be written: then the module is not touched),
// 130 when Ctrl+C, SIGTERM or SIGHUP aborted it, after every relay was switched off.
int runSelfTest(const CommandLine::SelfTest &options);
