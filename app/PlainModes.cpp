#include "PlainModes.h"

#include "CommandLine.h"
#include "ExitStatus.h"
#include "ProgramName.h"
#include "Version.h"

#include <QTextStream>

std::optional<int> answerPlainMode(const CommandLine &commandLine)
{
    QTextStream out(stdout);
    switch (commandLine.mode()) {
    case CommandLine::Mode::Help:
        out << commandLine.helpText();
        return exitStatus::Done;
    case CommandLine::Mode::Version:
        out << RZM_INTERNAL_NAME << ' ' << RZM_VERSION_STRING << '\n';
        return exitStatus::Done;
    case CommandLine::Mode::Error:
        return usageError(commandLine.errorText());
    default:
        return std::nullopt;
    }
}
