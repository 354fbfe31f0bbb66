#include "LineMonitor.h"

#include "Verdict.h"

#include <utility>

namespace line {

LineMonitor::LineMonitor(std::size_t capacity, WallClock wallClock)
    : wallClock_(std::move(wallClock)), traffic_(capacity)
{
    resetHealth(std::chrono::steady_clock::now());
}

void LineMonitor::requestStarted(Time t)
{
    closeTimedOut(t);
    close();
    begin(Open::Request, t);
}

void LineMonitor::byteWritten(std::uint8_t byte, Time t)
{
    closeTimedOut(t);
    // Writing after the reply has begun can only be a new request.
    if (open != Open::Request || !current.reply().empty())
        requestStarted(t);
    current.bytes.push_back(byte);
    ++current.requestSize;
    current.requestEnd = t;
}

void LineMonitor::byteReceived(std::uint8_t byte, Time t)
{
    closeTimedOut(t);
    if (open == Open::Request && current.reply().size() >= MaxReplyBytes)
        close();
    const bool requestOpen = open == Open::Request && current.requestSize > 0;
    if (!requestOpen && open != Open::Unsolicited) {
        close();
        begin(Open::Unsolicited, t);
    }
    current.bytes.push_back(byte);
    current.replyEnd = t;
    if (open == Open::Unsolicited && current.bytes.size() >= UnsolicitedMaxBytes)
        close();
}

void LineMonitor::advance(Time now)
{
    closeTimedOut(now);
}

bool LineMonitor::replyComplete() const
{
    return open == Open::Request && line::replyComplete(current.request(), current.reply());
}

void LineMonitor::closeNow()
{
    close();
}

void LineMonitor::resetHealth(Time now)
{
    health_ = Health();
    health_.since = now;
    health_.sinceWall = wallClock_(now);
}

std::optional<Time> LineMonitor::deadline() const
{
    switch (open) {
    case Open::Request:
        return current.requestEnd + ReplyTimeout;
    case Open::Unsolicited:
        return current.replyEnd + UnsolicitedSilence;
    case Open::Nothing:
        break;
    }
    return std::nullopt;
}

void LineMonitor::closeTimedOut(Time now)
{
    const bool timedOut =
        (open == Open::Request && now - current.requestEnd >= ReplyTimeout) ||
        (open == Open::Unsolicited && now - current.replyEnd >= UnsolicitedSilence);
    if (timedOut)
        close();
}

void LineMonitor::begin(Open kind, Time t)
{
    open = kind;
    current.start = current.requestEnd = current.replyEnd = t;
    current.bytes.clear();
    current.requestSize = 0;
}

// A request of which no byte was written (the port was closed) leaves nothing.
void LineMonitor::close()
{
    const Open was = std::exchange(open, Open::Nothing);
    if (was == Open::Nothing || current.bytes.empty())
        return;
    current.verdict = verdictOf(current.request(), current.reply());
    health_.count(current);
    traffic_.add(current);
    if (listener)
        listener(traffic_.newest());
}

} // namespace line
