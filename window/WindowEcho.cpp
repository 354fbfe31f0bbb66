#include "WindowEcho.h"

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

void WindowEcho::clearTx()
{
    txtTX.clear();
}
void WindowEcho::clearRx()
{
    txtRX.clear();
    pendingRx.clear();
    rxEchoed = 0;
}

void WindowEcho::setRxColour(std::uint32_t bgr)
{
    QPalette palette = txtRX.palette();
    palette.setColor(QPalette::Text, Colours::toQColor(bgr));
    txtRX.setPalette(palette);
}

void WindowEcho::appendTx(std::string_view text)
{
    txtTX.setText(txtTX.text() + fromView(text));
}

// The master echoes one byte per call.
void WindowEcho::appendRx(std::string_view text)
{
    if (rxEchoed >= RxEchoLimit)
        return;
    ++rxEchoed;
    pendingRx += fromView(text);
}

void WindowEcho::flushRx()
{
    if (pendingRx.isEmpty())
        return;
    QTextCursor cursor(txtRX.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(pendingRx);
    pendingRx.clear();
}

// The box shows the reply it is about.
void WindowEcho::showMessage(std::string_view text)
{
    flushRx();
    showTesterMessage(&owner, fromView(text));
}
