#pragma once

#include <QString>

class CommandLine;

// The modes that need no display: --help, --version, --scan, --self-test, and
// the usage error. Both programs run them the same way, on QCoreApplication.
int runConsole(int argc, char *argv[], const CommandLine &commandLine);

// "rzm530-cli: " or "rzm530-tester: ", for messages on standard error.
QString programPrefix();

// Tells what is wrong on standard error; returns the usage error's exit code.
int usageError(const QString &error);
