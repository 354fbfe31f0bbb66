// rzm530-cli: the tester's modes without a window, for scripts and for
// Windows' console, which waits for a console program and shows its output.
#include "CommandLine.h"
#include "ConsoleMain.h"
#include "ProgramName.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    const CommandLine commandLine(argc, argv, CommandLine::Program::Console);
    QCoreApplication app(argc, argv);
    if (commandLine.mode() == CommandLine::Mode::Window)
        return usageError(QStringLiteral("say what to do: %1 (the window is rzm530-tester's).")
                              .arg(CommandLine::choices()));
    return runConsole(commandLine);
}
