#pragma once

class CommandLine;

// The modes that need no display: --help, --version, --scan, --self-test, the history's, and
// the usage error. Both programs run them the same way, on the QCoreApplication they made.
int runConsole(const CommandLine &commandLine);
