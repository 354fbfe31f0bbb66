#pragma once

#include "LineEcho.h"

#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

// The master's echoes in the window: txtTX, txtRX and the message box.
//
// The RX box has no scroll bars and shows three lines, about forty bytes. It keeps
// the first RxEchoLimit bytes since the latest request, more than it shows and
// more than the longest reply the tester asks for (27 bytes): the reply to that
// request always shows whole, and a chattering line costs nothing once the box is
// full, where keeping the latest bytes would lay the box out again for every byte.
// Later bytes are left out of the box only; the framer takes them all. The bytes
// of one receive event reach the box in one update (flushRx), as those of one
// request reach txtTX (flushTx): the box lays its text out once, not per byte.
class WindowEcho final : public LineEcho {
public:
    static constexpr int RxEchoLimit = 64;

    WindowEcho(QWidget &owner, QLineEdit &txtTX, QPlainTextEdit &txtRX)
        : owner(owner), txtTX(txtTX), txtRX(txtRX)
    {
    }

    void clearTx() override;
    void clearRx() override;
    void setRxColour(std::uint32_t bgr) override;
    void appendTx(std::string_view text) override;
    void appendRx(std::string_view text) override;
    void flushTx() override;
    void flushRx() override;
    void showMessage(std::string_view text) override;

private:
    QWidget &owner;
    QLineEdit &txtTX;
    QPlainTextEdit &txtRX;
    QString pendingTx, pendingRx;
    int rxEchoed = 0; // bytes in the box or pending, since the latest request
};
