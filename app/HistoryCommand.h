#pragma once

#include "CommandLine.h"

// rzm530-cli --history, --yield and --sync: the kept runs as CSV, their yield per day, and the
// upload of what waits. Read from the server when one is given or remembered, else from the
// local file. Exit 0, or 2 when the history cannot be reached or read; --sync has a code of its
// own for each cause (HistoryUpload::Problem).
int runHistory(CommandLine::Mode mode, const CommandLine::History &options);
