#include "ApplicationIdentity.h"
#include "CommandLine.h"
#include "ConsoleMain.h"
#include "CsvLog.h"
#include "ExitStatus.h"
#include "HistorySettings.h"
#include "LineSession.h"
#include "MessageBox.h"
#include "PortComm.h"
#include "QuitOnSignal.h"
#include "RunKeeper.h"
#include "StartUp.h"
#include "StationWindow.h"
#include "StopThenQuit.h"
#include "TesterFont.h"
#include "Version.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QTextStream>

#include <memory>

namespace {

// The station window alone: its slots' lines are its own, and the tester's one line stays shut.
int runStation(QApplication &app, const QString &path)
{
    QString refusal;
    std::optional<procedures::Station> station = StationWindow::readStation(path, &refusal);
    if (!station) {
        QTextStream(stderr) << programPrefix() << refusal << '\n';
        showTesterMessage(nullptr, QStringLiteral("The station file cannot be used: %1").arg(refusal));
        return exitStatus::Error;
    }
    RunKeeper keeper(HistorySettings::load().server);
    StationWindow window(std::move(*station), keeper);
    // Ctrl+C, SIGTERM and SIGHUP close it as the operator would: every slot under test stops
    // with its relays off and its run kept as ABORTED, then the program ends.
    const QuitOnSignal quitOnSignal(false);
    StopThenQuit stopThenQuit(&QCoreApplication::quit);
    QObject::connect(&quitOnSignal, &QuitOnSignal::interrupted, &stopThenQuit, &StopThenQuit::stop);
    window.show();
    return app.exec();
}

int runWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setApplicationIdentity();
    const CommandLine commandLine(QCoreApplication::arguments());
    if (commandLine.console())
        return usageError(commandLine.errorText());
    // As XPM and nothing else: left to guess, Qt would load every image format plugin to ask it.
    QImageReader icon(QStringLiteral(":/rzm530.xpm"), "xpm");
    icon.setAutoDetectImageFormat(false);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon.read())));
    QApplication::setFont(testerFont()); // the message boxes too
    if (!commandLine.stationFile().isEmpty())
        return runStation(app, commandLine.stationFile());

    PortComm comm;
    LineSession session(comm);
    frmMain window(session);
    // Ctrl+C, SIGTERM and SIGHUP end the program as closing the window does; a self-test or a
    // station under way first switches the relays off and keeps its ABORTED reports.
    const QuitOnSignal quitOnSignal(false);
    StopThenQuit stopThenQuit(&QCoreApplication::quit);
    QObject::connect(&quitOnSignal, &QuitOnSignal::interrupted, &stopThenQuit, &StopThenQuit::stop);
    // Quitting closes the port, which ends and judges the transaction still open.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &session, &LineSession::closePort);
    std::unique_ptr<CsvLog> log;
    if (!commandLine.logFile().isEmpty()) {
        log = std::make_unique<CsvLog>(commandLine.logFile());
        if (!log->open()) {
            QTextStream(stderr) << programPrefix() << "cannot write " << commandLine.logFile()
                                << ": " << log->errorString() << '\n';
            return exitStatus::Error;
        }
        log->follow(session.tap());
    }
    startUp(window);
    return app.exec();
}

} // namespace

// Modes without a window run on QCoreApplication, so they need no display.
int main(int argc, char *argv[])
{
    const CommandLine commandLine(argc, argv, CommandLine::Program::Tester);
    if (commandLine.console())
        return runConsole(argc, argv, commandLine);
    return runWindow(argc, argv);
}
