#pragma once

#include "CommandLine.h"

// rzm530-cli --self-test with several ports: a module in each slot, all tested at once in one
// event loop, each on a line of its own. A line for each slot as it ends, a summary at the end;
// every run kept, the reports written into the folders asked for. Exits with the worst of the
// slots' codes: 0 when every one passed, 1 when one failed, 2 when one ended in ERROR (or its
// record could not be kept), 130 when a signal aborted them, after every relay was switched off.
int runStation(const CommandLine::SelfTest &options);
