#pragma once

#include "CommandLine.h"

// rzm530-tester --scan: a line per module found on standard output as it is
// found, progress on standard error when that is a terminal. Exits 0 when a
// module answered, 1 when none did, 2 when no port could be opened.
int runScan(const CommandLine::Scan &options);
