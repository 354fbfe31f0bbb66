#include "ConsoleMain.h"

#include "ApplicationIdentity.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "HistoryCommand.h"
#include "PlainModes.h"
#include "ProgramName.h"
#include "ScanCommand.h"
#include "SelfTestCommand.h"
#include "ServerWait.h"
#include "StationCommand.h"

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
    if (const std::optional<int> answered = answerPlainMode(commandLine))
        return *answered;
    switch (commandLine.mode()) {
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
    default: // the window's, which no console mode is
        return usageError(commandLine.errorText());
    }
}
