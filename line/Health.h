#pragma once

#include "Clock.h"
#include "Transaction.h"

#include <cstdint>
#include <map>
#include <optional>

namespace line {

// How the line has done since counting started. The figures are the user's own
// traffic (poll, relays, All); a scan's probes and a self-test's requests, which
// expect silence from most addresses or ask for it, are counted apart.
struct Health {
    struct ToolCount {
        std::uint64_t requests = 0;
        std::uint64_t answered = 0; // anything came back
    };

    Time since{};
    WallTime sinceWall{};

    std::uint64_t requests = 0; // closed request transactions, broadcasts included
    std::uint64_t good = 0;
    std::uint64_t noReply = 0;
    std::uint64_t crcErrors = 0;
    std::map<std::uint8_t, std::uint64_t> exceptions; // by exception code
    std::uint64_t wrongAddress = 0;
    std::uint64_t garbled = 0;
    std::uint64_t broadcasts = 0;
    std::uint64_t unsolicitedBytes = 0; // bytes nobody asked for, those after a broadcast too
    std::uint64_t endedByTester = 0;    // cut short, or the port closed under them
    ToolCount scanProbes, selfTestRequests;

    // Response times of good replies, in ms.
    std::optional<double> lastMs, minMs, maxMs;
    double totalMs = 0;

    void count(const Transaction &transaction);
    std::uint64_t exceptionCount() const;
    std::optional<double> meanMs() const;
};

} // namespace line
