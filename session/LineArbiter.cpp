#include "LineArbiter.h"

#include "LineTap.h"
#include "Module2.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

LineArbiter::LineArbiter(modbus::ModbusMaster &master, LineTap &tap, QObject *parent)
    : QObject(parent), master(master), tap(tap)
{
    connect(&tap, &LineTap::transactionEnded, this, &LineArbiter::ended);
}

void LineArbiter::submit(const line::ToolRequest &request, line::Origin origin,
                         std::chrono::milliseconds replyWindow, Done done)
{
    queue.push_back({request, origin, replyWindow, std::move(done)});
    sendNext();
}

void LineArbiter::take(line::Origin holder)
{
    tool = holder;
}

void LineArbiter::release(line::Origin holder)
{
    if (tool != holder)
        return;
    tool.reset();
    sendNext();
}

void LineArbiter::holdForMessage(bool held)
{
    messageOpen = held;
    if (!held)
        sendNext();
}

bool LineArbiter::waiting(line::Origin origin) const
{
    return std::any_of(queue.begin(), queue.end(),
                       [origin](const Submission &s) { return s.origin == origin; });
}

bool LineArbiter::mayGo(const Submission &s) const
{
    return !tool || s.origin == *tool;
}

// A request that could not be written (the port is closed) is done at once, with
// nothing, and the next one is tried.
void LineArbiter::sendNext()
{
    if (sending)
        return; // a done() called from here submits: the loop below takes it
    sending = true;
    while (!current && !messageOpen) {
        // A click goes ahead of a poll that waits, never ahead of another click.
        auto next = std::find_if(queue.begin(), queue.end(), [this](const Submission &s) {
            return mayGo(s) && s.origin != line::Origin::Poll;
        });
        if (next == queue.end())
            next = std::find_if(queue.begin(), queue.end(),
                                [this](const Submission &s) { return mayGo(s); });
        if (next == queue.end())
            break;
        Submission s = std::move(*next);
        queue.erase(next);
        const bool broadcast = s.request.address == modbus::BroadcastAddress;
        tap.nextRequestIs(s.origin, broadcast ? line::BroadcastTurnaround : s.replyWindow);
        put(s.request);
        emit written();
        if (!tap.monitor().awaitingReply()) {
            if (s.done)
                s.done(nullptr);
            continue;
        }
        currentSequence = tap.monitor().traffic().nextSequence();
        current = std::move(s);
    }
    sending = false;
}

void LineArbiter::put(const line::ToolRequest &r)
{
    using Kind = line::ToolRequest::Kind;
    const auto address = std::int16_t(r.address);
    switch (r.kind) {
    case Kind::ReadCoils:
        master.ReadCoils(r.address, std::int16_t(r.start), std::int16_t(r.quantity));
        break;
    case Kind::ReadHoldingRegisters:
        master.ReadHoldingRegisters(address, std::int16_t(r.start), std::int16_t(r.quantity));
        break;
    case Kind::WriteSingleCoil:
        master.WriteSingleCoil(address, std::int16_t(r.relay), r.on ? 1 : 0);
        break;
    case Kind::WriteMultipleCoils:
        if (r.address == modbus::BroadcastAddress)
            master.WriteMultipleCoils(r.address, std::int16_t(r.start), std::int16_t(r.quantity),
                                      std::vector<std::uint8_t>(r.quantity, r.on ? 1 : 0));
        else
            putAddressed(r);
        break;
    }
}

// The master's Write Multiple Coils goes to every module, as the main window's All row wants;
// to one module the frame is laid in its buffer and sent as it sends its own, so that the
// reply is framed and judged like any other.
void LineArbiter::putAddressed(const line::ToolRequest &r)
{
    const std::vector<std::uint8_t> frame = line::addressedCoilsFrame(r);
    master.LastRequest = {r.address, modbus::FnWriteMultipleCoils, std::int16_t(r.start),
                          std::int16_t(r.quantity)};
    std::copy(frame.begin(), frame.end(), master.TxBuf.begin());
    master.SendFrame(std::int16_t(frame.size() - 1));
}

void LineArbiter::replyArrived()
{
    if (current && tap.monitor().replyComplete())
        tap.monitor().closeNow(); // ended() frees the line
}

// The monitor ends our transaction: the reply is complete, its window (or the
// broadcast's turnaround) has passed, or the port closed under it.
void LineArbiter::ended(const line::Transaction &t)
{
    if (!current || t.request().empty() ||
        tap.monitor().traffic().nextSequence() != currentSequence + 1)
        return;
    Submission finished = std::move(*current);
    current.reset();
    if (finished.done)
        finished.done(&t);
    // The monitor may be ending it from inside the master's receive loop (a late
    // byte past the window): the next request goes out once that is over.
    QMetaObject::invokeMethod(this, &LineArbiter::sendNext, Qt::QueuedConnection);
}

void LineArbiter::portClosed()
{
    std::deque<Submission> dropped = std::exchange(queue, {});
    tap.portClosed();
    for (Submission &s : dropped)
        if (s.done)
            s.done(nullptr);
}
