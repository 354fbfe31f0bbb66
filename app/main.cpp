#include "ApplicationIdentity.h"
#include "CommandLine.h"
#include "ConsoleMain.h"
#include "CsvLog.h"
#include "ExitStatus.h"
#include "LineSession.h"
#include "PortComm.h"
#include "QuitOnSignal.h"
#include "SelfTestDialog.h"
#include "StartUp.h"
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

    PortComm comm;
    LineSession session(comm);
    frmMain window(session);
    // Ctrl+C, SIGTERM and SIGHUP end the program as closing the window does; a self-test
    // under way first switches the relays off and keeps its ABORTED report.
    const QuitOnSignal quitOnSignal(false);
    QObject::connect(&quitOnSignal, &QuitOnSignal::interrupted, &window, [&window] {
        for (SelfTestDialog *test : window.findChildren<SelfTestDialog *>())
            if (test->running()) {
                QObject::connect(test, &QDialog::finished, qApp, &QCoreApplication::quit,
                                 Qt::QueuedConnection);
                test->QWidget::close();
                return;
            }
        QCoreApplication::quit();
    });
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
