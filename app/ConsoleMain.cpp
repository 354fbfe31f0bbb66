#include "ConsoleMain.h"

#include "ApplicationIdentity.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "HistoryCommand.h"
#include "ProgramName.h"
#include "ScanCommand.h"
#include "SelfTestCommand.h"
#include "ServerWait.h"
#include "StationCommand.h"
#include "Version.h"

#include <QTextStream>

namespace {

QtMessageHandler qtHandler = nullptr;

// Standard error carries the program's own words: Qt's warnings ("QSqlQuery::exec: database
// not open", a driver's "Unable to free statement") say again, in Qt's terms, what the
// program says itself. Only Qt's critical and fatal messages pass.
void onlyGraveMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (qtHandler)
        qtHandler(type, context, text);
    else
        QTextStream(stderr) << text << Qt::endl;
}

int ranToItsEnd(int code)
{
    if (serverWorkAbandoned())
        endConsoleProgram(code);
    return code;
}

} // namespace

int runConsole(const CommandLine &commandLine)
{
    setApplicationIdentity();
    qtHandler = qInstallMessageHandler(&onlyGraveMessages);
    QTextStream out(stdout);
    switch (commandLine.mode()) {
    case CommandLine::Mode::Help:
        out << commandLine.helpText();
        return exitStatus::Done;
    case CommandLine::Mode::Version:
        out << RZM_INTERNAL_NAME << ' ' << RZM_VERSION_STRING << '\n';
        return exitStatus::Done;
    case CommandLine::Mode::Scan:
        return runScan(commandLine.scan());
    case CommandLine::Mode::SelfTest:
        return ranToItsEnd(commandLine.selfTest().stationSlots.empty()
                               ? runSelfTest(commandLine.selfTest())
                               : runStation(commandLine.selfTest()));
    case CommandLine::Mode::History:
    case CommandLine::Mode::Yield:
    case CommandLine::Mode::Sync:
        return ranToItsEnd(runHistory(commandLine.mode(), commandLine.history()));
    default:
        return usageError(commandLine.errorText());
    }
}
