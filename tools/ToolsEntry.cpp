// The tools module's one entry: Qt's plugin loader finds this factory by its interface.
#include "ConsoleMain.h"
#include "ExitStatus.h"
#include "HistorySettings.h"
#include "MessageBox.h"
#include "ProgramName.h"
#include "QuitOnSignal.h"
#include "RunKeeper.h"
#include "StationWindow.h"
#include "StopThenQuit.h"
#include "ToolSet.h"
#include "Tools.h"

#include <QApplication>
#include <QTextStream>

class ToolsEntry final : public QObject, public ToolsFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ToolsFactory_iid)
    Q_INTERFACES(ToolsFactory)
public:
    std::unique_ptr<Tools> makeTools(const ToolHost &host) override
    {
        return std::make_unique<ToolSet>(host);
    }

    int runConsole(const CommandLine &commandLine) override { return ::runConsole(commandLine); }

    // The station window alone: its slots' lines are its own, and the tester's one line stays
    // shut.
    int runStation(const QString &path) override
    {
        QString refusal;
        std::optional<procedures::Station> station = StationWindow::readStation(path, &refusal);
        if (!station) {
            QTextStream(stderr) << programPrefix() << refusal << '\n';
            showTesterMessage(nullptr, StationWindow::cannotUse(refusal));
            return exitStatus::Error;
        }
        RunKeeper keeper(HistorySettings::load().server);
        StationWindow window(std::move(*station), [&keeper]() -> RunKeeper & { return keeper; });
        // Ctrl+C, SIGTERM and SIGHUP close it as the operator would: every slot under test
        // stops with its relays off and its run kept as ABORTED, then the program ends.
        const QuitOnSignal quitOnSignal(false);
        StopThenQuit stopThenQuit(&QCoreApplication::quit);
        QObject::connect(&quitOnSignal, &QuitOnSignal::interrupted, &stopThenQuit,
                         &StopThenQuit::stop);
        window.show();
        return QApplication::exec();
    }
};

#include "ToolsEntry.moc"
