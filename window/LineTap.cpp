#include "LineTap.h"

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
    timeouts.setInterval(50);
    connect(&timeouts, &QTimer::timeout, this, [this] { lineMonitor.advance(now()); });
    timeouts.start();
}

void LineTap::requestStarted()
{
    lineMonitor.requestStarted(now());
}

void LineTap::byteWritten(quint8 byte)
{
    lineMonitor.byteWritten(byte, now());
}

void LineTap::byteReceived(quint8 byte)
{
    lineMonitor.byteReceived(byte, now());
}

void LineTap::resetHealth()
{
    lineMonitor.resetHealth(now());
    emit healthReset();
}
