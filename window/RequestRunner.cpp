#include "RequestRunner.h"

#include "LineTap.h"

RequestRunner::RequestRunner(modbus::ModbusMaster &master, LineTap &tap, QObject *parent)
    : QObject(parent), master(master), tap(tap)
{
    poll.setInterval(2); // a reply's last byte is noticed within 2 ms
    connect(&poll, &QTimer::timeout, this, &RequestRunner::check);
}

void RequestRunner::send(const line::Request &r, std::chrono::milliseconds replyWait)
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
    waiting = true;
    if (!tap.monitor().awaitingReply()) { // nothing went out
        QTimer::singleShot(0, this, [this] {
            if (std::exchange(waiting, false))
                emit done(nullptr);
        });
        return;
    }
    wait = replyWait;
    clock.start();
    poll.start();
}

void RequestRunner::stop()
{
    waiting = false;
    poll.stop();
}

void RequestRunner::check()
{
    if (tap.monitor().replyComplete() || clock.elapsed() >= wait.count())
        finish();
}

void RequestRunner::finish()
{
    poll.stop();
    waiting = false;
    line::LineMonitor &monitor = tap.monitor();
    const auto before = monitor.traffic().nextSequence();
    monitor.closeNow();
    const bool made = monitor.traffic().nextSequence() > before;
    emit done(made ? &monitor.traffic().newest() : nullptr);
}
