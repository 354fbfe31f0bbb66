#include "LineSession.h"

#include "LineEcho.h"
#include "SerialComm.h"

LineSession::LineSession(SerialComm &comm, QObject *parent)
    : QObject(parent), serial(comm),
      link(comm, lineTap, [this](bool held) { lineArbiter.holdForMessage(held); }),
      modbusMaster(link), lineArbiter(modbusMaster, lineTap)
{
    connect(&serial, &SerialComm::OnComm, this, &LineSession::onComm);
    connect(&serial, &SerialComm::portLost, this, [this](const QString &reason) {
        lineArbiter.portClosed();
        emit portLost(reason);
    });
}

void LineSession::setReceiveAddress(std::function<std::int16_t()> address)
{
    receiveAddress = std::move(address);
}

bool LineSession::openPort(int port)
{
    bool ok = true;
    if (serial.PortOpen()) {
        ok = serial.setPortOpen(false);
        lineArbiter.portClosed();
    }
    if (ok) {
        serial.setCommPort(port);
        ok = serial.setPortOpen(true);
    }
    return ok;
}

void LineSession::closePort()
{
    if (!serial.PortOpen())
        return;
    serial.setPortOpen(false);
    lineArbiter.portClosed();
}

// The kind of event is not examined: every one drains whatever bytes wait.
void LineSession::onComm()
{
    modbusMaster.ReceiveBytes(receiveAddress ? receiveAddress()
                                             : modbusMaster.LastRequest.Address);
    if (LineEcho *echo = link.lineEcho())
        echo->flushRx();
    lineArbiter.replyArrived();
    emit received();
}
