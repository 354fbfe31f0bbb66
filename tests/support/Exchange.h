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

// A transaction as the line monitor ends it: the request's bytes, then the reply's.
inline line::Transaction transactionOf(const Bytes &request, const Bytes &reply,
                                       line::Verdict verdict, line::Time start,
                                       line::Origin origin = line::Origin::Poll)
{
    line::Transaction t;
    t.bytes = request;
    t.bytes.insert(t.bytes.end(), reply.begin(), reply.end());
    t.requestSize = std::uint32_t(request.size());
    t.start = start;
    t.requestEnd = start + std::int64_t(request.size()) * ByteTime;
    t.replyEnd = t.requestEnd + Turnaround + std::int64_t(reply.size()) * ByteTime;
    t.verdict = verdict;
    t.origin = origin;
    return t;
}
