#pragma once

#include <optional>

class CommandLine;

// The modes that only say something: --help, --version and the usage error, answered on the
// QCoreApplication the caller made; none for any other mode. rzm530-tester answers them itself,
// without loading its tools module.
std::optional<int> answerPlainMode(const CommandLine &commandLine);
