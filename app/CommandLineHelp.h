#pragma once

#include "CommandLine.h"

#include <QString>

// The words of --help around its list of options: what the program is for, where the history
// is, and what each exit status means.
QString helpOpening(CommandLine::Program program);
QString historyHelp();
QString exitStatusHelp(CommandLine::Program program);
