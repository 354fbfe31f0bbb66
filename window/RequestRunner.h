#pragma once

#include "Module2.h"
#include "Request.h"
#include "Transaction.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

class LineTap;

// Puts a sequencer's requests on the line through the master's builders, one at
// a time, once the line is free, and hands back the transaction each one made:
// as soon as the reply is complete, or when the wait (at most the line
// monitor's reply window) is over.
class RequestRunner : public QObject {
    Q_OBJECT
public:
    RequestRunner(modbus::ModbusMaster &master, LineTap &tap, QObject *parent = nullptr);

    void send(const line::Request &request, std::chrono::milliseconds wait);
    // Ends the wait at once; done() is not raised.
    void stop();
    bool busy() const { return state != State::Idle; }

signals:
    // Nothing when the request could not be sent (the port is closed). Valid
    // only while the signal is delivered.
    void done(const line::Transaction *transaction);

private:
    enum class State { Idle, LineBusy, AwaitingReply };

    bool lineFree() const;
    void check();
    void put(const line::Request &request);
    void finish();

    modbus::ModbusMaster &master;
    LineTap &tap;
    QTimer poll;
    QElapsedTimer clock;
    line::Request pending;
    std::chrono::milliseconds wait{0};
    std::uint64_t sequence = 0; // the transaction the request makes
    State state = State::Idle;
};
