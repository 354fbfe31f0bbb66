#pragma once

#include "CommandLine.h"

// rzm530-tester --self-test: the link and relay steps on one module, with no
// operator; each step printed as it finishes, the reports written as asked.
// Exits 0 on PASS, 1 on FAIL, 2 when the port cannot be opened or no module
// answers.
int runSelfTest(const CommandLine::SelfTest &options);
