#include "ApplicationIdentity.h"
#include "CommandLine.h"
#include "CsvLog.h"
#include "ExitStatus.h"
#include "LineSession.h"
#include "MessageBox.h"
#include "PlainModes.h"
#include "PortComm.h"
#include "ProgramName.h"
#include "QuitOnSignal.h"
#include "ScreenPixels.h"
#include "StartUp.h"
#include "TesterFont.h"
#include "Tools.h"
#include "Version.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QTextStream>

#include <memory>

namespace {

// The tools module, or null once the user is told why it cannot be had.
ToolsFactory *loadTools(bool inWindow)
{
    QString error;
    ToolsFactory *tools = ToolsModule::load(&error);
    if (!tools) {
        QTextStream(stderr) << programPrefix() << error << '\n';
        if (inWindow)
            showTesterMessage(nullptr, error);
    }
    return tools;
}

int runWindow(int argc, char *argv[])
{
    const bool pixelsSettingHere = sendPixelsThroughTheSocket();
    QApplication app(argc, argv);
    takeBackPixelsSetting(pixelsSettingHere);
    setApplicationIdentity();
    // Read again once QApplication has taken its own options (-platform, -style) out.
    const CommandLine commandLine(QCoreApplication::arguments());
    if (commandLine.console())
        return usageError(commandLine.errorText());
    // As XPM and nothing else: left to guess, Qt would load every image format plugin to ask it.
    QImageReader icon(QStringLiteral(":/rzm530.xpm"), "xpm");
    icon.setAutoDetectImageFormat(false);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon.read())));
    QApplication::setFont(testerFont()); // the message boxes too
    if (!commandLine.stationFile().isEmpty()) {
        ToolsFactory *tools = loadTools(true);
        return tools ? tools->runStation(commandLine.stationFile()) : int(exitStatus::Error);
    }

    PortComm comm;
    LineSession session(comm);
    frmMain window(session);
    // Ctrl+C, SIGTERM and SIGHUP end the program as closing the window does.
    const QuitOnSignal quitOnSignal(false);
    QObject::connect(&quitOnSignal, &QuitOnSignal::interrupted, &window, &frmMain::stopThenQuit);
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
    if (!commandLine.console())
        return runWindow(argc, argv);
    QCoreApplication app(argc, argv);
    setApplicationIdentity();
    if (const std::optional<int> answered = answerPlainMode(commandLine))
        return *answered;
    ToolsFactory *tools = loadTools(false);
    return tools ? tools->runConsole(commandLine) : int(exitStatus::Error);
}
