#include "LineTap.h"

#include <algorithm>
#include <chrono>

namespace {

line::Time now()
{
    return std::chrono::steady_clock::now();
}

} // namespace

LineTap::LineTap(QObject *parent) : QObject(parent)
{
    lineMonitor.setListener([this](const line::Transaction &t) { emit transactionEnded(t); });
    timeouts.setSingleShot(true);
    timeouts.setTimerType(Qt::PreciseTimer); // a reply window ends when it says
    connect(&timeouts, &QTimer::timeout, this, [this] {
        lineMonitor.advance(now());
        schedule();
    });
}

// A deadline that moves later (more unasked bytes) is looked at again when the
// earlier one passes, so that a byte costs no timer restart.
void LineTap::schedule()
{
    const auto deadline = lineMonitor.deadline();
    if (!deadline) {
        timeouts.stop();
        return;
    }
    if (timeouts.isActive() && scheduled <= *deadline)
        return;
    scheduled = *deadline;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now());
    timeouts.start(std::max<std::chrono::milliseconds::rep>(0, wait.count()) + 1);
}

void LineTap::nextRequestIs(line::Origin origin, std::chrono::milliseconds replyWindow)
{
    nextOrigin = origin;
    nextWindow = replyWindow;
}

void LineTap::requestStarted()
{
    lineMonitor.requestStarted(now(), nextOrigin, nextWindow);
    schedule();
}

void LineTap::portClosed()
{
    lineMonitor.portClosed(now());
    schedule();
}

void LineTap::byteWritten(quint8 byte)
{
    lineMonitor.byteWritten(byte, now());
    schedule();
}

void LineTap::byteReceived(quint8 byte)
{
    lineMonitor.byteReceived(byte, now());
    schedule();
}

void LineTap::resetHealth()
{
    lineMonitor.resetHealth(now());
    emit healthReset();
}
