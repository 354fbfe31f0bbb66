// Start-up, the settings fields and the web link.
#include "FieldValue.h"
#include "LineSession.h"
#include "MessageBox.h"
#include "SerialComm.h"
#include "frmMain.h"

#include <QDesktopServices>
#include <QUrl>

void frmMain::Form_Load()
{
    OpenComPort(static_cast<std::int16_t>(FieldValue::roundedValueOf(txtPort.text())));
}

// A serial device opens here and now; a server on the network connects in
// the background, and what happens to it shows when it is known
// (connectHandlers), so that the window never waits on the network.
void frmMain::OpenComPort(std::int16_t port)
{
    if (!session.openPort(port)) {
        showOpenFailed();
        return;
    }
    showPortDevice(session.opening() ? tr("connecting") : QString());
    showLinkStatus(QString(), true); // nothing known of the new line yet
}

void frmMain::showOpenFailed()
{
    const QString device = MSComm1.devicePath();
    const QString reason = MSComm1.errorString();
    showPortDevice(tr("not open: %1").arg(reason));
    showLinkStatus(tr("Port closed"), false, reason);
    const QString details =
        device.isEmpty() ? reason : QStringLiteral("%1: %2").arg(device, reason);
    showTesterMessage(
        this, QStringLiteral("Unable to open Com Port ") + QString::number(MSComm1.CommPort()),
        details);
}

// The number and what it resolves to now: "COM 5: tcp://192.0.2.10:4001".
void frmMain::showPortDevice(const QString &remark)
{
    const QString device = MSComm1.devicePath();
    QString tip = QStringLiteral("COM %1: %2")
                      .arg(MSComm1.CommPort())
                      .arg(device.isEmpty() ? tr("no such serial device") : device);
    if (!remark.isEmpty())
        tip += QStringLiteral(" (%1)").arg(remark);
    txtPort.setToolTip(tip);
}

// Setting the text from here runs this handler again, nested, before it goes on.
void frmMain::txtPort_Change()
{
    if (FieldValue::valueOf(txtPort.text()) < PortMin)
        txtPort.setText(QString::number(PortMin));
    if (FieldValue::valueOf(txtPort.text()) > PortMax)
        txtPort.setText(QString::number(PortMax));
    OpenComPort(static_cast<std::int16_t>(FieldValue::roundedValueOf(txtPort.text())));
}

void frmMain::txtAddr_Change()
{
    if (FieldValue::valueOf(txtAddr.text()) < AddressMin)
        txtAddr.setText(QString::number(AddressMin));
    if (FieldValue::valueOf(txtAddr.text()) > AddressMax)
        txtAddr.setText(QString::number(AddressMax));
}

void frmMain::Label10_Click()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(LinkUrl)));
}
