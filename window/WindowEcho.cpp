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
    pendingTx.clear();
}
void WindowEcho::clearRx()
{
    txtRX.clear();
    pendingRx.clear();
    rxEchoed = 0;
}

// Every request sets the colour, nearly always to the one the box has.
void WindowEcho::setRxColour(std::uint32_t bgr)
{
    const QColor colour = Colours::toQColor(bgr);
    if (txtRX.palette().color(QPalette::Text) == colour)
        return;
    QPalette palette = txtRX.palette();
    palette.setColor(QPalette::Text, colour);
    txtRX.setPalette(palette);
}

// The master echoes one byte per call.
void WindowEcho::appendTx(std::string_view text)
{
    pendingTx += fromView(text);
}

void WindowEcho::flushTx()
{
    if (pendingTx.isEmpty())
        return;
    txtTX.setText(txtTX.text() + pendingTx);
    pendingTx.clear();
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
    flushTx();
    flushRx();
    showTesterMessage(&owner, fromView(text));
}
