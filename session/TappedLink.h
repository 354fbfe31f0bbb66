#pragma once

#include "MasterLink.h"

#include <functional>

class LineEcho;
class LineTap;
class SerialComm;

// The master's port, with every byte written and received passing the line
// monitor's tap on the way; a request begins where the master clears the TX
// echo for it. Echoes go to the window when there is one. While the master's
// message box is open the line is held, so that nothing goes out until the
// user has read what came in.
class TappedLink final : public modbus::MasterLink {
public:
    using Hold = std::function<void(bool)>;

    TappedLink(SerialComm &comm, LineTap &tap, Hold holdForMessage)
        : comm(comm), tap(tap), holdForMessage(std::move(holdForMessage))
    {
    }

    void setEcho(LineEcho *echo) { this->echo = echo; }
    LineEcho *lineEcho() const { return echo; }

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
    SerialComm &comm;
    LineTap &tap;
    Hold holdForMessage;
    LineEcho *echo = nullptr;
};
