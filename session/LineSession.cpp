#include "LineSession.h"

#include "LineEcho.h"
#include "SerialComm.h"

LineSession::LineSession(SerialComm &comm, QObject *parent)
    : QObject(parent), serial(comm),
      link(comm, lineTap, [this](bool held) { lineArbiter.holdForMessage(held); }),
      modbusMaster(link), lineArbiter(modbusMaster, lineTap), trendRecorder(lineTap)
{
    connect(&serial, &SerialComm::OnComm, this, &LineSession::onComm);
    connect(&lineArbiter, &LineArbiter::written, this, [this] {
        if (LineEcho *echo = link.lineEcho())
            echo->flushTx();
    });
    connect(&serial, &SerialComm::portLost, this, [this](const QString &reason) {
        lineArbiter.portClosed();
        emit portLost(reason);
    });
    connect(&serial, &SerialComm::opened, this, &LineSession::portOpened);
    connect(&serial, &SerialComm::openFailed, this, &LineSession::portOpenFailed);
}

void LineSession::setReceiveAddress(std::function<std::int16_t()> address)
{
    receiveAddress = std::move(address);
}

bool LineSession::openPort(int port)
{
    return reopen([&] { serial.setCommPort(port); });
}

bool LineSession::openPort(const QString &port)
{
    return reopen([&] { serial.setPort(port); });
}

bool LineSession::reopen(const std::function<void()> &choosePort)
{
    bool ok = true;
    if (serial.PortOpen() || serial.opening()) {
        ok = serial.setPortOpen(false);
        lineArbiter.portClosed();
    }
    if (ok) {
        choosePort();
        ok = serial.setPortOpen(true);
    }
    return ok;
}

bool LineSession::opening() const
{
    return serial.opening();
}

void LineSession::closePort()
{
    if (!serial.PortOpen() && !serial.opening())
        return;
    serial.setPortOpen(false);
    lineArbiter.portClosed();
}

// The kind of event is not examined: every one drains whatever bytes wait.
void LineSession::onComm()
{
    modbusMaster.ReceiveBytes(receiveAddress ? receiveAddress() : modbusMaster.LastRequest.Address);
    if (LineEcho *echo = link.lineEcho())
        echo->flushRx();
    lineArbiter.replyArrived();
    emit received();
}
