#pragma once

#include "RequestRunner.h"
#include "Scan.h"

#include <QObject>

#include <chrono>

class SerialComm;

// Runs a bus scan over the real port: opens each port in the plan without a
// word when it cannot, and probes its addresses one after another.
class ScanRunner : public QObject {
    Q_OBJECT
public:
    ScanRunner(SerialComm &comm, modbus::ModbusMaster &master, LineTap &tap, line::Scan::Plan plan,
               std::chrono::milliseconds timeout, QObject *parent = nullptr);

    void start();
    void cancel();
    const line::Scan &scan() const { return sequence; }

signals:
    void probing(int port, int address);
    void found(const line::Scan::Found &module);
    void finished();

private:
    void advance();
    void probed(const line::Transaction *transaction);

    SerialComm &comm;
    RequestRunner runner;
    line::Scan sequence;
    std::chrono::milliseconds timeout;
};
