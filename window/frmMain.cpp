#include "frmMain.h"

#include "FieldValue.h"
#include "LineSession.h"
#include "SerialComm.h"
#include "Tools.h"

frmMain::frmMain(LineSession &session, QWidget *parent)
    : QWidget(parent), session(session), MSComm1(session.comm()), module2(session.master()),
      monitorAction(tr("Line monitor")), trendAction(tr("Trend…")),
      findModuleAction(tr("Find module…")), selfTestAction(tr("Self-test…")),
      portsAction(tr("Ports…")), historyAction(tr("Test history…")),
      stationAction(tr("Station…")), echo(*this, txtTX, txtRX)
{
    buildLayout();
    connectHandlers();
    session.setEcho(&echo);
    session.setReceiveAddress([this] { return addressValue(); });
    pollTimer.start();
}

frmMain::~frmMain()
{
    session.setEcho(nullptr);
    session.setReceiveAddress({});
}

void frmMain::connectHandlers()
{
    connect(&txtPort, &QLineEdit::textChanged, this, [this] { txtPort_Change(); });
    connect(&txtAddr, &QLineEdit::textChanged, this, [this] { txtAddr_Change(); });
    connect(&Label10, &ClickLabel::clicked, this, &frmMain::Label10_Click);
    for (std::int16_t k = 0; k <= 8; ++k) {
        connect(&btnON[k], &QPushButton::clicked, this, [this, k] { btnON_Click(k); });
        connect(&btnOFF[k], &QPushButton::clicked, this, [this, k] { btnOFF_Click(k); });
    }
    connect(&pollTimer, &QTimer::timeout, this, &frmMain::pollTimer_Timer);
    connect(&session, &LineSession::portLost, this, [this](const QString &reason) {
        showPortDevice(tr("lost: %1").arg(reason));
        showLinkStatus(tr("Port closed"), false, reason);
    });
    // A tool that has the line opens ports of its own, without a word.
    connect(&session, &LineSession::portOpened, this, [this] {
        if (!session.arbiter().holder())
            showPortDevice();
    });
    connect(&session, &LineSession::portOpenFailed, this, [this] {
        if (!session.arbiter().holder())
            showOpenFailed();
    });
    connect(&lblStatus, &ClickLabel::clicked, this, &frmMain::showMonitor);
    monitorAction.setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    trendAction.setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
    findModuleAction.setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    selfTestAction.setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    historyAction.setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    for (QAction *action :
         {&monitorAction, &trendAction, &findModuleAction, &selfTestAction, &historyAction})
        addAction(action); // their shortcuts work anywhere in the window
    connect(&monitorAction, &QAction::triggered, this, &frmMain::showMonitor);
    connect(&trendAction, &QAction::triggered, this, &frmMain::showTrend);
    connect(&findModuleAction, &QAction::triggered, this, &frmMain::showFindModule);
    connect(&selfTestAction, &QAction::triggered, this, &frmMain::showSelfTest);
    connect(&portsAction, &QAction::triggered, this, &frmMain::showPorts);
    connect(&historyAction, &QAction::triggered, this, &frmMain::showHistory);
    connect(&stationAction, &QAction::triggered, this, &frmMain::showStation);
    connect(&session.tap(), &LineTap::transactionEnded, this, [this](const line::Transaction &t) {
        showLinkStatus(t);
        if (session.arbiter().holder())
            showDeviceImage();
    });
}

// The fields are clamped to 0 to 99, so the rounded value always fits.
std::int16_t frmMain::addressValue() const
{
    return static_cast<std::int16_t>(FieldValue::roundedValueOf(txtAddr.text()));
}
