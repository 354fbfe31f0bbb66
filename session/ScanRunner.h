#pragma once

#include "LineHold.h"
#include "Scan.h"

#include <QObject>

#include <chrono>

class LineSession;

// Runs a bus scan over the session's line: takes the line, opens each port in
// the plan without a word when it cannot, and probes its addresses one after
// another, each probe's reply window being the scan's timeout.
class ScanRunner : public QObject {
    Q_OBJECT
public:
    ScanRunner(LineSession &session, line::Scan::Plan plan, std::chrono::milliseconds timeout,
               QObject *parent = nullptr);

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
    void end();

    LineSession &session;
    LineHold hold;
    line::Scan sequence;
    std::chrono::milliseconds timeout;
};
