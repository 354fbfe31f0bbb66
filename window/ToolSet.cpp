#include "ToolSet.h"

#include "FindModuleDialog.h"
#include "HistoryWindow.h"
#include "LineSession.h"
#include "MessageBox.h"
#include "MonitorWindow.h"
#include "PortsDialog.h"
#include "StationWindow.h"
#include "StopThenQuit.h"
#include "TrendWindow.h"

#include <QFileDialog>
#include <QToolBar>

namespace {

void bringForward(QWidget &window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

ToolSet::ToolSet(const ToolHost &host) : host(host) {}

ToolSet::~ToolSet() = default;

void ToolSet::showMonitor()
{
    if (!monitor) {
        monitor = std::make_unique<MonitorWindow>(host.session.tap());
        monitor->tools().addAction(&host.findModule);
        monitor->tools().addAction(&host.selfTest);
    }
    bringForward(*monitor);
}

void ToolSet::showTrend()
{
    if (!trendWindow)
        trendWindow = std::make_unique<TrendWindow>(host.session.trend());
    bringForward(*trendWindow);
}

void ToolSet::showFindModule()
{
    FindModuleDialog dialog(host.session, &host.window);
    QObject::connect(&dialog, &FindModuleDialog::restorePort, host.restorePort);
    QObject::connect(&dialog, &FindModuleDialog::useModule, host.useModule);
    dialog.exec();
}

void ToolSet::showSelfTest()
{
    SelfTestDialog dialog(host.session, host.address(), selfTestMemory, &host.window);
    dialog.keepRunsIn(&historyLink);
    dialog.exec();
}

void ToolSet::showPorts()
{
    PortsDialog dialog(&host.window);
    dialog.exec();
}

void ToolSet::showHistory()
{
    if (!historyWindow)
        historyWindow = std::make_unique<HistoryWindow>(historyLink);
    bringForward(*historyWindow);
}

// One station at a time: an open one is brought forward; a file is asked for only when none is
// open, and the closed one, its slots all stopped, makes way for it.
void ToolSet::showStation()
{
    if (!stationWindow || !stationWindow->isVisible()) {
        const QString path = QFileDialog::getOpenFileName(
            &host.window, QObject::tr("Station file"), QString(),
            QObject::tr("Station files (*.ini);;All files (*)"));
        if (path.isEmpty())
            return;
        QString refusal;
        std::optional<procedures::Station> station = StationWindow::readStation(path, &refusal);
        if (!station) {
            showTesterMessage(&host.window, StationWindow::cannotUse(refusal));
            return;
        }
        stationWindow = std::make_unique<StationWindow>(
            std::move(*station), [this]() -> RunKeeper & { return historyLink.keeper(); });
        // The history window, when open, shows each slot's run as it is kept.
        QObject::connect(stationWindow.get(), &StationWindow::kept, &historyLink,
                         &HistoryLink::kept);
    }
    stationWindow->setWindowState(stationWindow->windowState() & ~Qt::WindowMinimized);
    bringForward(*stationWindow);
}

void ToolSet::syncHistory()
{
    historyLink.syncInBackground();
}

void ToolSet::closeWindows()
{
    for (QWidget *window : std::initializer_list<QWidget *>{
             monitor.get(), historyWindow.get(), trendWindow.get(), stationWindow.get()})
        if (window)
            window->close();
}

void ToolSet::stopThenQuit(std::function<void()> quit)
{
    if (!stopping)
        stopping = std::make_unique<StopThenQuit>(std::move(quit));
    stopping->stop();
}
