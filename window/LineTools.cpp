// The tools that take the line for a while, and the window's context menu
// that leads to them. They come from the tools module, loaded at the first
// use of any of them.
#include "LineSession.h"
#include "MessageBox.h"
#include "SerialComm.h"
#include "Tools.h"
#include "frmMain.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
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

Tools *frmMain::loadedTools()
{
    if (!tools) {
        QString error;
        ToolsFactory *factory = ToolsModule::load(&error);
        if (!factory) {
            showTesterMessage(this, error);
            return nullptr;
        }
        tools = factory->makeTools(ToolHost{
            session, *this, [this] { return int(addressValue()); },
            [this](int port, bool reopen) { restorePort(port, reopen); },
            [this](int port, int address) { useModule(port, address); }, findModuleAction,
            selfTestAction});
    }
    return tools.get();
}

void frmMain::openTool(void (Tools::*open)())
{
    if (Tools *t = loadedTools())
        (t->*open)();
}

void frmMain::showMonitor() { openTool(&Tools::showMonitor); }
void frmMain::showTrend() { openTool(&Tools::showTrend); }
void frmMain::showFindModule() { openTool(&Tools::showFindModule); }
void frmMain::showSelfTest() { openTool(&Tools::showSelfTest); }
void frmMain::showPorts() { openTool(&Tools::showPorts); }
void frmMain::showHistory() { openTool(&Tools::showHistory); }
void frmMain::showStation() { openTool(&Tools::showStation); }

void frmMain::syncHistory() { openTool(&Tools::syncHistory); }

// Nothing can be testing when the tools were never loaded.
void frmMain::stopThenQuit()
{
    if (tools)
        tools->stopThenQuit(&QCoreApplication::quit);
    else
        QCoreApplication::quit();
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
