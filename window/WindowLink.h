#pragma once

#include "MasterLink.h"

class QLineEdit;
class QPlainTextEdit;
class QWidget;
class SerialComm;

// The Modbus master's view of the window: MSComm1, txtTX, txtRX and the message box.
class WindowLink final : public modbus::MasterLink {
public:
    WindowLink(QWidget &owner, SerialComm &comm, QLineEdit &txtTX, QPlainTextEdit &txtRX)
        : owner(owner), comm(comm), txtTX(txtTX), txtRX(txtRX)
    {
    }

    bool PortOpen() const override;
    bool Output(std::uint8_t byte) override;
    int InBufferCount() const override;
    std::uint8_t Input() override;

    void clearTx() override;
    void clearRx() override;
    void setRxColour(std::uint32_t bgr) override;
    void appendTx(std::string_view text) override;
    void appendRx(std::string_view text) override;
    void showMessage(std::string_view text) override;

private:
    QWidget &owner;
    SerialComm &comm;
    QLineEdit &txtTX;
    QPlainTextEdit &txtRX;
};
