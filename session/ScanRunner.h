#pragma once

#include "LineHold.h"
#include "Scan.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <chrono>

class LineSession;

// Runs a bus scan over the session's line: takes the line, opens each port in
// the plan without a word when it cannot, and probes its addresses one after
// another, each probe's reply window being the scan's timeout. A port that
// connects in the background is waited for; so is one the caller set opening
// before start().
class ScanRunner : public QObject {
    Q_OBJECT
public:
    ScanRunner(LineSession &session, procedures::Scan::Plan plan, std::chrono::milliseconds timeout,
               QObject *parent = nullptr);

    // Every COM number present: each device once, and the numbers mapped to
    // a server on the network, which are scanned only when they accept.
    static void addEveryPort(procedures::Scan::Plan &plan);

    void start();
    void cancel();
    const procedures::Scan &scan() const { return sequence; }
    // Why a port of scan().lostPorts() went away, in the serial component's words.
    QString lostReason(int port) const { return lostReasons.value(port); }

signals:
    void probing(int port, int address);
    void found(const procedures::Scan::Found &module);
    void finished();

private:
    void advance();
    void awaitOpen();
    void probed(const line::Transaction *transaction);
    void end();

    LineSession &session;
    LineHold hold;
    procedures::Scan sequence;
    std::chrono::milliseconds timeout;
    QMetaObject::Connection openedWatch, failedWatch;
    QMap<int, QString> lostReasons;
};
