// The tools that take the line for a while, and the window's context menu
// that leads to them.
#include "FindModuleDialog.h"
#include "HistoryLink.h"
#include "HistoryWindow.h"
#include "LineSession.h"
#include "PortsDialog.h"
#include "MessageBox.h"
#include "SerialComm.h"
#include "StationWindow.h"
#include "TrendWindow.h"
#include "frmMain.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>

void frmMain::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(&findModuleAction);
    menu.addAction(&selfTestAction);
    menu.addAction(&monitorAction);
    menu.addAction(&trendAction);
    menu.addAction(&historyAction);
    menu.addAction(&stationAction);
    menu.addSeparator();
    menu.addAction(&portsAction);
    menu.exec(event->globalPos());
}

void frmMain::showPorts()
{
    PortsDialog dialog(this);
    dialog.exec();
}

void frmMain::showFindModule()
{
    FindModuleDialog dialog(session, this);
    connect(&dialog, &FindModuleDialog::restorePort, this, &frmMain::restorePort);
    connect(&dialog, &FindModuleDialog::useModule, this, &frmMain::useModule);
    dialog.exec();
}

void frmMain::showSelfTest()
{
    SelfTestDialog dialog(session, addressValue(), selfTestMemory, this);
    dialog.keepRunsIn(historyLink.get());
    dialog.exec();
}

void frmMain::showHistory()
{
    if (!historyWindow)
        historyWindow = std::make_unique<HistoryWindow>(*historyLink);
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
}

void frmMain::showTrend()
{
    if (!trendWindow)
        trendWindow = std::make_unique<TrendWindow>(session.trend());
    trendWindow->show();
    trendWindow->raise();
    trendWindow->activateWindow();
}

// One station at a time: an open one is brought forward; a file is asked for only when none is
// open, and the closed one, its slots all stopped, makes way for it.
void frmMain::showStation()
{
    if (!stationWindow || !stationWindow->isVisible()) {
        const QString path = QFileDialog::getOpenFileName(
            this, tr("Station file"), QString(), tr("Station files (*.ini);;All files (*)"));
        if (path.isEmpty())
            return;
        QString refusal;
        std::optional<procedures::Station> station = StationWindow::readStation(path, &refusal);
        if (!station) {
            showTesterMessage(this, tr("The station file cannot be used: %1").arg(refusal));
            return;
        }
        stationWindow = std::make_unique<StationWindow>(std::move(*station), historyLink->keeper());
        // The history window, when open, shows each slot's run as it is kept.
        connect(stationWindow.get(), &StationWindow::kept, historyLink.get(), &HistoryLink::kept);
    }
    stationWindow->setWindowState(stationWindow->windowState() & ~Qt::WindowMinimized);
    stationWindow->show();
    stationWindow->raise();
    stationWindow->activateWindow();
}

void frmMain::restorePort(int port, bool reopen)
{
    if (reopen) {
        if (!MSComm1.PortOpen() || MSComm1.CommPort() != port)
            OpenComPort(static_cast<std::int16_t>(port));
        return;
    }
    session.closePort();
    MSComm1.setCommPort(port);
    showLinkStatus(tr("Port closed"), false);
}

void frmMain::useModule(int port, int address)
{
    const QString portText = QString::number(port);
    if (txtPort.text() == portText)
        txtPort_Change(); // unchanged text raises no change: reopen all the same
    else
        txtPort.setText(portText);
    txtAddr.setText(QString::number(address));
}
