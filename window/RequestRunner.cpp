#include "RequestRunner.h"

#include "LineTap.h"
#include "MessageBox.h"

RequestRunner::RequestRunner(modbus::ModbusMaster &master, LineTap &tap, QObject *parent)
    : QObject(parent), master(master), tap(tap)
{
    poll.setInterval(2); // a reply's last byte is noticed within 2 ms
    connect(&poll, &QTimer::timeout, this, &RequestRunner::check);
}

void RequestRunner::send(const line::Request &request, std::chrono::milliseconds replyWait)
{
    pending = request;
    wait = replyWait;
    state = State::LineBusy;
    poll.start();
    QTimer::singleShot(0, this, &RequestRunner::check);
}

void RequestRunner::stop()
{
    state = State::Idle;
    poll.stop();
}

// A request whose reply is still on the way (a poll sent just before the line
// was taken, or one given up) owns the line: talking over it would spoil both.
// Its reply completes, or the monitor's reply window ends it.
bool RequestRunner::lineFree() const
{
    const line::LineMonitor &monitor = tap.monitor();
    return !monitor.awaitingReply() || monitor.replyComplete();
}

void RequestRunner::check()
{
    // While "Unexpected response" waits for OK the bytes wait in the port: the
    // framer hands them to the tap once the box has closed.
    if (testerMessageOpen())
        return;
    if (state == State::LineBusy && lineFree()) {
        put(pending);
        if (!tap.monitor().awaitingReply()) { // nothing went out: the port is closed
            stop();
            emit done(nullptr);
            return;
        }
        sequence = tap.monitor().traffic().nextSequence();
        state = State::AwaitingReply;
        clock.start();
    }
    if (state == State::AwaitingReply &&
        (tap.monitor().replyComplete() || clock.elapsed() >= wait.count()))
        finish();
}

void RequestRunner::put(const line::Request &r)
{
    using Kind = line::Request::Kind;
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
        master.WriteMultipleCoils(r.address, std::int16_t(r.start), std::int16_t(r.quantity),
                                  std::vector<std::uint8_t>(r.quantity, r.on ? 1 : 0));
        break;
    }
}

// The transaction is found by its own sequence number: the monitor may have
// ended it already.
void RequestRunner::finish()
{
    stop();
    line::LineMonitor &monitor = tap.monitor();
    monitor.closeNow();
    const line::Traffic &traffic = monitor.traffic();
    const bool kept = sequence >= traffic.firstSequence() && sequence < traffic.nextSequence();
    emit done(kept ? &traffic[std::size_t(sequence - traffic.firstSequence())] : nullptr);
}
