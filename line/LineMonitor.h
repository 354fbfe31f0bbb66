#pragma once

#include "Clock.h"
#include "Health.h"
#include "Traffic.h"
#include "Transaction.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace line {

// Cuts what the master writes and receives into transactions, judges each one
// and keeps it. A transaction is one request and what is received after it,
// until the next request or for its reply window after the request's last byte.
// A reply that the tester itself ends early, by its next request or by closing
// the port, is judged Cut short or Port closed: never the module's fault.
// Bytes received with no request open are grouped into entries of their own,
// each ending after UnsolicitedSilence, at UnsolicitedMaxBytes, or when a
// request starts. A reply never holds more than MaxReplyBytes, more than any
// frame: on a line that keeps talking, what follows is unasked, and no
// transaction kept grows without bound.
class LineMonitor {
public:
    static constexpr std::size_t UnsolicitedMaxBytes = 256;
    static constexpr std::size_t MaxReplyBytes = 256;

    // Called with each transaction once it has ended and been kept.
    using Listener = std::function<void(const Transaction &)>;

    explicit LineMonitor(std::size_t capacity = 100'000, WallClock wallClock = wallClockFromNow());

    // The tap on the port. Times must not go backwards.
    void requestStarted(Time t, Origin origin = Origin::Poll,
                        std::chrono::milliseconds replyWindow = ReplyWindow);
    void byteWritten(std::uint8_t byte, Time t);
    void byteReceived(std::uint8_t byte, Time t);
    // Ends what has timed out by now: call it when deadline() has passed.
    void advance(Time now);
    // When the open transaction or entry times out; none while nothing is open.
    std::optional<Time> deadline() const;

    // For a sequencer that stops waiting as soon as the answer is in.
    bool awaitingReply() const { return open == Open::Request && current.requestSize > 0; }
    bool replyComplete() const;
    // Ends what is open now, as it stands.
    void closeNow();
    // The port has closed: a reply still due is judged Port closed.
    void portClosed(Time t);

    void setListener(Listener listener) { this->listener = std::move(listener); }
    const Traffic &traffic() const { return traffic_; }
    const Health &health() const { return health_; }
    void resetHealth(Time now);
    const WallClock &wallClock() const { return wallClock_; }

private:
    enum class Open { Nothing, Request, Unsolicited };

    enum class Ending { AsItStands, NextRequest, PortClosed };

    void closeTimedOut(Time now);
    void close(Ending ending = Ending::AsItStands);
    void begin(Open kind, Time t);

    WallClock wallClock_;
    Traffic traffic_;
    Health health_;
    Listener listener;
    Open open = Open::Nothing;
    Transaction current; // its buffer is reused; a kept copy holds just its bytes
};

} // namespace line
