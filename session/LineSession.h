#pragma once

#include "LineArbiter.h"
#include "LineTap.h"
#include "Module2.h"
#include "TappedLink.h"
#include "TrendRecorder.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class LineEcho;
class SerialComm;

// The one owner of the line: the serial component, the master on it, the line
// monitor's tap and the arbiter that decides who may send. The window, its
// tools and the console programs all reach the line through it.
class LineSession : public QObject {
    Q_OBJECT
public:
    explicit LineSession(SerialComm &comm, QObject *parent = nullptr);

    SerialComm &comm() { return serial; }
    const SerialComm &comm() const { return serial; }
    LineTap &tap() { return lineTap; }
    LineArbiter &arbiter() { return lineArbiter; }
    // The poll's readings since start-up.
    const TrendRecorder &trend() const { return trendRecorder; }
    // The device image the replies fill in.
    const modbus::ModbusMaster &master() const { return modbusMaster; }

    void setEcho(LineEcho *echo) { link.setEcho(echo); }
    // The address the receive framer accepts replies from; without one, the
    // address of the latest request.
    void setReceiveAddress(std::function<std::int16_t()> address);

    // Closes the open port, or abandons the connection under way, then opens
    // `port`: false, with the reason in comm().errorString(), when that failed
    // at once. Whatever was due on the old line is ended and dropped. True
    // also while a connection is under way (opening()): portOpened() or
    // portOpenFailed() follows, and until then requests are dropped as they
    // are on a closed port.
    bool openPort(int port);
    // The same for a port as the command line gives it: a number, or a
    // target written out ("tcp://HOST:PORT").
    bool openPort(const QString &port);
    bool opening() const;
    void closePort();

signals:
    // The bytes of a receive event have been framed.
    void received();
    // The open port went away; it is closed now.
    void portLost(const QString &reason);
    // The connection under way is made, or failed (the reason also in
    // comm().errorString()).
    void portOpened();
    void portOpenFailed(const QString &reason);

private:
    bool reopen(const std::function<void()> &choosePort);
    void onComm();

    SerialComm &serial;
    LineTap lineTap;
    TappedLink link;
    modbus::ModbusMaster modbusMaster;
    LineArbiter lineArbiter;
    TrendRecorder trendRecorder;
    std::function<std::int16_t()> receiveAddress;
};
