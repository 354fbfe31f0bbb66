#pragma once

#include "MasterLink.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

// The master's view of window and port, in memory: records what is sent and
// echoed, delivers queued bytes, counts message boxes.
class MemoryLink final : public modbus::MasterLink {
public:
    bool PortOpen() const override { return open; }
    bool Output(std::uint8_t byte) override
    {
        if (failingWrites.count(writeAttempts++) != 0)
            return false;
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
    void setRxColour(std::uint32_t bgr) override { rxColour = bgr; }
    void appendTx(std::string_view text) override { tx.append(text); }
    void appendRx(std::string_view text) override
    {
        if (keepRx)
            rx.append(text);
    }
    void showMessage(std::string_view text) override
    {
        messages.emplace_back(text);
        ++openBoxes;
        if (openBoxes > maxOpenBoxes)
            maxOpenBoxes = openBoxes;
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
    std::set<int> failingWrites; // write attempts, counted from 0
    int writeAttempts = 0;
    std::string tx, rx;
    std::uint32_t rxColour = 0xFFFFFFFF;
    std::vector<std::string> messages;
    int openBoxes = 0, maxOpenBoxes = 0;
    std::function<void()> whileBoxOpen;
};
