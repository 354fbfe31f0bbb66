#pragma once

#include "Origin.h"
#include "ToolRequest.h"
#include "Transaction.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace modbus {
class ModbusMaster;
}
class LineTap;

// Decides who may use the line and when, so that nothing we send collides with
// a reply on a two-wire line:
//  - one request at a time holds the line, from its first byte until its reply
//    is complete (the line monitor's length rule) or its reply window has
//    passed; a broadcast holds it for BroadcastTurnaround, for the modules to
//    act on it. Only the reply to our own request holds it: bytes nobody asked
//    for never do;
//  - requests wait in the order they were made, each with the address it was
//    made with, and go out the moment the line is free; a click goes ahead of
//    a poll that waits, so that it waits for the reply under way alone;
//  - while a tool (a scan, a self-test) has taken the line, only its requests go
//    out and the others wait; while the master's message box is open, none do;
//  - when the port closes, what waits is dropped and nothing is sent.
// Nothing polls: the session reports each receive event and the line monitor
// each transaction that ends, its reply window timed by the tap.
class LineArbiter : public QObject {
    Q_OBJECT
public:
    // The transaction the request made, or nothing when it was never sent (the
    // port was closed). Valid only during the call.
    using Done = std::function<void(const line::Transaction *)>;

    LineArbiter(modbus::ModbusMaster &master, LineTap &tap, QObject *parent = nullptr);

    void submit(const line::ToolRequest &request, line::Origin origin,
                std::chrono::milliseconds replyWindow = line::ReplyWindow, Done done = {});

    // A tool takes the line for a while; the others' requests wait until it is released.
    void take(line::Origin tool);
    void release(line::Origin tool);
    std::optional<line::Origin> holder() const { return tool; }
    void holdForMessage(bool held);
    // Held by a tool or by the message box: only a tool's own requests may go.
    bool held() const { return tool || messageOpen; }

    bool lineFree() const { return !current; }
    // Whether a request of this origin waits for the line.
    bool waiting(line::Origin origin) const;

    // Bytes have been received and framed: the reply may be complete.
    void replyArrived();
    // The port has closed: the reply under way ends as Port closed and what waits
    // is dropped.
    void portClosed();

signals:
    // The master has written a request (or tried to, on a closed port).
    void written();

private:
    struct Submission {
        line::ToolRequest request;
        line::Origin origin;
        std::chrono::milliseconds replyWindow;
        Done done;
    };

    bool mayGo(const Submission &s) const;
    void sendNext();
    void put(const line::ToolRequest &r);
    void putAddressed(const line::ToolRequest &r);
    void ended(const line::Transaction &t);

    modbus::ModbusMaster &master;
    LineTap &tap;
    std::deque<Submission> queue;
    std::optional<Submission> current; // holds the line
    std::uint64_t currentSequence = 0; // the transaction it made
    std::optional<line::Origin> tool;
    bool messageOpen = false;
    bool sending = false;
};
