#include "WindowLink.h"

#include "Colours.h"
#include "MessageBox.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {

QString fromView(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

void WindowLink::clearTx()
{
    TappedLink::clearTx();
    txtTX.clear();
}
void WindowLink::clearRx()
{
    txtRX.clear();
    pendingRx.clear();
    rxEchoed = 0;
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

// The master echoes one byte per call.
void WindowLink::appendRx(std::string_view text)
{
    if (rxEchoed >= RxEchoLimit)
        return;
    ++rxEchoed;
    pendingRx += fromView(text);
}

void WindowLink::flushRx()
{
    if (pendingRx.isEmpty())
        return;
    QTextCursor cursor(txtRX.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(pendingRx);
    pendingRx.clear();
}

// The box shows the reply it is about.
void WindowLink::showMessage(std::string_view text)
{
    flushRx();
    showTesterMessage(&owner, fromView(text));
}
