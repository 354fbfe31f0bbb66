#include "WirePace.h"

#include <algorithm>
#include <cmath>

WirePace::WirePace(Arrival arrival, std::function<void(const QByteArray &)> deliver,
                   QObject *parent)
    : QObject(parent), arrival(arrival), deliver(std::move(deliver))
{
    clock.start();
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &WirePace::deliverDue);
}

void WirePace::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const double nowMs = double(clock.nsecsElapsed()) / 1e6;
    double atMs = std::max(nowMs, freeAtMs);
    if (arrival == Arrival::Whole) {
        atMs += double(bytes.size()) * ByteTime.count();
        queue.push_back({bytes, atMs});
    } else {
        for (const char byte : bytes) {
            atMs += ByteTime.count();
            queue.push_back({QByteArray(1, byte), atMs});
        }
    }
    freeAtMs = atMs;
    wake();
}

// Everything that is there by now, in one piece: a reader could not tell it from bytes that
// came one by one while it was busy.
void WirePace::deliverDue()
{
    const double nowMs = double(clock.nsecsElapsed()) / 1e6;
    QByteArray there;
    while (!queue.empty() && queue.front().atMs <= nowMs) {
        there += queue.front().bytes;
        queue.pop_front();
    }
    if (!there.isEmpty())
        deliver(there);
    wake();
}

void WirePace::wake()
{
    if (queue.empty())
        return;
    const double nowMs = double(clock.nsecsElapsed()) / 1e6;
    timer.start(int(std::ceil(std::max(0.0, queue.front().atMs - nowMs))));
}
