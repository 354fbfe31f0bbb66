#pragma once

#include "LineMonitor.h"

#include <QObject>
#include <QTimer>

// The line monitor on the master's link: every byte the master writes and
// receives, timed on the monotonic clock, and a signal as each transaction ends.
class LineTap : public QObject {
    Q_OBJECT
public:
    explicit LineTap(QObject *parent = nullptr);

    // Who asks for the next request, and how long its reply may take.
    void nextRequestIs(line::Origin origin, std::chrono::milliseconds replyWindow);
    void requestStarted();
    void portClosed();
    void byteWritten(quint8 byte);
    void byteReceived(quint8 byte);

    const line::LineMonitor &monitor() const { return lineMonitor; }
    line::LineMonitor &monitor() { return lineMonitor; }
    void resetHealth();

signals:
    // The transaction is the newest one kept in monitor().traffic().
    void transactionEnded(const line::Transaction &transaction);
    void healthReset();

private:
    void schedule();

    line::LineMonitor lineMonitor;
    QTimer timeouts; // ends transactions nobody answers; asleep while nothing is open
    line::Time scheduled{};
    line::Origin nextOrigin = line::Origin::Poll;
    std::chrono::milliseconds nextWindow = line::ReplyWindow;
};
