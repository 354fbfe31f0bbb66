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

void frmMain::OpenComPort(std::int16_t port)
{
    if (session.openPort(port)) {
        showPortDevice();
        showLinkStatus(QString(), true); // nothing known of the new line yet
        return;
    }
    const QString device = MSComm1.devicePath();
    const QString reason = MSComm1.errorString();
    showPortDevice(tr("not open"));
    showLinkStatus(tr("Port closed"), false, reason);
    const QString details =
        device.isEmpty() ? reason : QStringLiteral("%1: %2").arg(device, reason);
    showTesterMessage(this, QStringLiteral("Unable to open Com Port ") + QString::number(port),
                      details);
}

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
