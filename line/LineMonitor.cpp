#include "LineMonitor.h"

#include "Verdict.h"

#include <utility>

namespace line {

LineMonitor::LineMonitor(std::size_t capacity, WallClock wallClock)
    : wallClock_(std::move(wallClock)), traffic_(capacity)
{
    resetHealth(std::chrono::steady_clock::now());
}

void LineMonitor::requestStarted(Time t, Origin origin, std::chrono::milliseconds replyWindow)
{
    closeTimedOut(t);
    close(Ending::NextRequest);
    begin(Open::Request, t);
    current.origin = origin;
    current.replyWindow = replyWindow;
}

void LineMonitor::byteWritten(std::uint8_t byte, Time t)
{
    closeTimedOut(t);
    // Writing after the reply has begun can only be a new request.
    if (open != Open::Request || !current.reply().empty())
        requestStarted(t, current.origin, current.replyWindow);
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

void LineMonitor::portClosed(Time t)
{
    closeTimedOut(t);
    close(Ending::PortClosed);
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
        return current.requestEnd + current.replyWindow;
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
        (open == Open::Request && now - current.requestEnd >= current.replyWindow) ||
        (open == Open::Unsolicited && now - current.replyEnd >= UnsolicitedSilence);
    if (timedOut)
        close();
}

void LineMonitor::begin(Open kind, Time t)
{
    open = kind;
    current.origin = Origin::Unsolicited;
    current.replyWindow = ReplyWindow;
    current.start = current.requestEnd = current.replyEnd = t;
    current.bytes.clear();
    current.requestSize = 0;
}

// A request of which no byte was written (the port was closed) leaves nothing.
// One whose reply the tester ended early is judged by how it was ended, unless
// the reply was whole by then.
void LineMonitor::close(Ending ending)
{
    const Open was = std::exchange(open, Open::Nothing);
    if (was == Open::Nothing || current.bytes.empty())
        return;
    const bool replyDue = was == Open::Request && current.requestSize >= 2 &&
                          current.request()[0] != BroadcastAddress &&
                          !line::replyComplete(current.request(), current.reply());
    if (replyDue && ending == Ending::NextRequest)
        current.verdict = Verdict::CutShort;
    else if (replyDue && ending == Ending::PortClosed)
        current.verdict = Verdict::PortClosed;
    else
        current.verdict = verdictOf(current.request(), current.reply());
    health_.count(current);
    traffic_.add(current);
    if (listener)
        listener(traffic_.newest());
}

} // namespace line
