#pragma once

class CommandLine;

// The modes that need no display: --scan, --self-test, the history's, and the plain ones
// (PlainModes.h). Both programs run them the same way, on the QCoreApplication they made.
int runConsole(const CommandLine &commandLine);
