#pragma once

#include "MasterLink.h"

class LineTap;
class SerialComm;

// The master's port, with every byte written and received passing the line
// monitor's tap on the way; a request begins where the master clears the TX
// echo for it. Without a window the echoes and the message go nowhere.
class TappedLink : public modbus::MasterLink {
public:
    TappedLink(SerialComm &comm, LineTap &tap) : comm(comm), tap(tap) {}

    bool PortOpen() const override;
    bool Output(std::uint8_t byte) override;
    int InBufferCount() const override;
    std::uint8_t Input() override;

    void clearTx() override;
    void clearRx() override {}
    void setRxColour(std::uint32_t) override {}
    void appendTx(std::string_view) override {}
    void appendRx(std::string_view) override {}
    void showMessage(std::string_view) override {}

private:
    SerialComm &comm;
    LineTap &tap;
};
