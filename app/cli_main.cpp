// rzm530-cli: the tester's modes without a window, for scripts and for
// Windows' console, which waits for a console program and shows its output.
#include "CommandLine.h"
#include "ConsoleMain.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine(arguments, CommandLine::Program::Console);
    if (commandLine.mode() == CommandLine::Mode::Window) {
        QCoreApplication app(argc, argv);
        return usageError(QStringLiteral(
            "say what to do: --scan, --self-test, --history, "
            "--yield, --sync, --help or --version (the window is rzm530-tester's)."));
    }
    return runConsole(argc, argv, commandLine);
}
