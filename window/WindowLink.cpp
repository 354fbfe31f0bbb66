#include "WindowLink.h"

#include "Colours.h"
#include "MessageBox.h"
#include "SerialComm.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {

QString fromView(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

bool WindowLink::PortOpen() const
{
    return comm.PortOpen();
}
bool WindowLink::Output(std::uint8_t byte)
{
    return comm.Output(byte);
}
int WindowLink::InBufferCount() const
{
    return comm.InBufferCount();
}
std::uint8_t WindowLink::Input()
{
    return comm.Input();
}

void WindowLink::clearTx()
{
    txtTX.clear();
}
void WindowLink::clearRx()
{
    txtRX.clear();
}

void WindowLink::setRxColour(std::uint32_t bgr)
{
    QPalette palette = txtRX.palette();
    palette.setColor(QPalette::Text, Colours::toQColor(bgr));
    txtRX.setPalette(palette);
}

void WindowLink::appendTx(std::string_view text)
{
    txtTX.setText(txtTX.text() + fromView(text));
}

void WindowLink::appendRx(std::string_view text)
{
    QTextCursor cursor(txtRX.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(fromView(text));
}

void WindowLink::showMessage(std::string_view text)
{
    showTesterMessage(&owner, fromView(text));
}
