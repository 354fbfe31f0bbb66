#include "CommandLine.h"
#include "CsvLog.h"
#include "MSComm.h"
#include "ScanCommand.h"
#include "SelfTestCommand.h"
#include "StartUp.h"
#include "TesterFont.h"
#include "Version.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

#include <memory>

namespace {

constexpr int UsageError = 2;
constexpr int CannotStart = 2;

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral(RZM_INTERNAL_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(RZM_VERSION_STRING));
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

int usageError(const QString &error)
{
    QTextStream(stderr) << "rzm530-tester: " << error << "\nTry 'rzm530-tester --help'.\n";
    return UsageError;
}

// Modes without a window run on QCoreApplication, so they need no display.
int runConsole(int argc, char *argv[], const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    nameTheProgram();
    QTextStream out(stdout);
    switch (commandLine.mode()) {
    case CommandLine::Mode::Help:
        out << commandLine.helpText();
        return 0;
    case CommandLine::Mode::Version:
        out << RZM_INTERNAL_NAME << ' ' << RZM_VERSION_STRING << '\n';
        return 0;
    case CommandLine::Mode::Scan:
        return runScan(commandLine.scan());
    case CommandLine::Mode::SelfTest:
        return runSelfTest(commandLine.selfTest());
    default:
        return usageError(commandLine.errorText());
    }
}

int runWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    nameTheProgram();
    const CommandLine commandLine(QCoreApplication::arguments());
    if (commandLine.console())
        return usageError(commandLine.errorText());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rzm530.xpm")));
    QApplication::setFont(testerFont()); // the message boxes too

    MSComm comm;
    frmMain window(comm);
    std::unique_ptr<CsvLog> log;
    if (!commandLine.logFile().isEmpty()) {
        log = std::make_unique<CsvLog>(commandLine.logFile());
        if (!log->open()) {
            QTextStream(stderr) << "rzm530-tester: cannot write " << commandLine.logFile() << ": "
                                << log->errorString() << '\n';
            return CannotStart;
        }
        log->follow(window.lineTap());
    }
    startUp(window);
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine commandLine(argumentList(argc, argv));
    if (commandLine.console())
        return runConsole(argc, argv, commandLine);
    return runWindow(argc, argv);
}
