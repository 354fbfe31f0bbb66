#pragma once

#include "MasterLink.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

// The master's view of window and port, in memory: records what is sent and
// echoed, delivers queued bytes, counts open message boxes.
class MemoryLink final : public modbus::MasterLink {
public:
    bool PortOpen() const override { return open; }
    bool Output(std::uint8_t byte) override
    {
        written.push_back(static_cast<char>(byte));
        return true;
    }
    int InBufferCount() const override { return static_cast<int>(incoming.size()); }
    std::uint8_t Input() override
    {
        const std::uint8_t b = incoming.front();
        incoming.pop_front();
        return b;
    }

    void clearTx() override { tx.clear(); }
    void clearRx() override { rx.clear(); }
    void setRxColour(std::uint32_t) override {}
    void appendTx(std::string_view text) override { tx.append(text); }
    void appendRx(std::string_view text) override
    {
        if (keepRx)
            rx.append(text);
    }
    void showMessage(std::string_view) override
    {
        maxOpenBoxes = std::max(maxOpenBoxes, ++openBoxes);
        if (whileBoxOpen)
            whileBoxOpen();
        --openBoxes;
    }

    template <typename Bytes> void queue(const Bytes &bytes)
    {
        for (auto b : bytes)
            incoming.push_back(static_cast<std::uint8_t>(b));
    }

    bool open = true;
    bool keepRx = true;
    std::string written;
    std::deque<std::uint8_t> incoming;
    std::string tx, rx;
    int maxOpenBoxes = 0;
    std::function<void()> whileBoxOpen;

private:
    int openBoxes = 0;
};
