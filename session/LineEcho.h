#pragma once

#include <cstdint>
#include <string_view>

// Where the master's echoes go: the window's TX and RX boxes and its one
// message box. Without a window they go nowhere.
class LineEcho {
public:
    virtual ~LineEcho() = default;

    virtual void clearTx() = 0;
    virtual void clearRx() = 0;
    // Colour as 0x00BBGGRR.
    virtual void setRxColour(std::uint32_t bgr) = 0;
    virtual void appendTx(std::string_view text) = 0;
    virtual void appendRx(std::string_view text) = 0;
    // The bytes of one request have all been echoed.
    virtual void flushTx() = 0;
    // The bytes of one receive event have all been echoed.
    virtual void flushRx() = 0;
    // Modal: returns when the user has closed the box.
    virtual void showMessage(std::string_view text) = 0;
};
