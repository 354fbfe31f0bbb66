#pragma once

#include "Bytes.h"
#include "LineMonitor.h"

#include <chrono>

// One byte on the wire at 9600 8N1, and how long a module takes to start its reply.
inline constexpr std::chrono::microseconds ByteTime{1040};
inline constexpr std::chrono::milliseconds Turnaround{20};

// The request written byte by byte from t, the reply starting a turnaround after its
// last byte, as the port's tap feeds the line monitor. Returns when the last
// byte was written.
inline line::Time exchange(line::LineMonitor &m, line::Time t, const Bytes &request,
                           const Bytes &reply)
{
    if (!request.empty())
        m.requestStarted(t);
    for (auto byte : request)
        m.byteWritten(byte, t += ByteTime);
    const line::Time written = t;
    t += Turnaround;
    for (auto byte : reply)
        m.byteReceived(byte, t += ByteTime);
    return written;
}
