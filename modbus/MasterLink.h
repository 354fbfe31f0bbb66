#pragma once

#include <cstdint>
#include <string_view>

namespace modbus {

// The little the master needs of the window: the serial component, the two
// echo boxes and the one message box.
class MasterLink {
public:
    virtual ~MasterLink() = default;

    virtual bool PortOpen() const = 0;
    // Sends exactly one byte; false when the component could not take it.
    virtual bool Output(std::uint8_t byte) = 0;
    virtual int InBufferCount() const = 0;
    // Removes and returns the next waiting byte; only called while InBufferCount() > 0.
    virtual std::uint8_t Input() = 0;

    virtual void clearTx() = 0;
    virtual void clearRx() = 0;
    // Colour as 0x00BBGGRR.
    virtual void setRxColour(std::uint32_t bgr) = 0;
    virtual void appendTx(std::string_view text) = 0;
    virtual void appendRx(std::string_view text) = 0;

    // Modal: returns when the user has closed the box.
    virtual void showMessage(std::string_view text) = 0;
};

} // namespace modbus
