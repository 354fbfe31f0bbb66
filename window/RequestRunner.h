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
// a time, and hands back the transaction each one made: as soon as the reply is
// complete, or when the wait is over.
class RequestRunner : public QObject {
    Q_OBJECT
public:
    RequestRunner(modbus::ModbusMaster &master, LineTap &tap, QObject *parent = nullptr);

    void send(const line::Request &request, std::chrono::milliseconds wait);
    // Ends the wait at once; done() is not raised.
    void stop();
    bool busy() const { return waiting; }

signals:
    // Nothing when the request could not be sent (the port is closed). Valid
    // only while the signal is delivered.
    void done(const line::Transaction *transaction);

private:
    void check();
    void finish();

    modbus::ModbusMaster &master;
    LineTap &tap;
    QTimer poll;
    QElapsedTimer clock;
    std::chrono::milliseconds wait{0};
    bool waiting = false;
};
