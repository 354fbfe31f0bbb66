#include "Health.h"

#include <algorithm>

namespace line {

void Health::count(const Transaction &transaction)
{
    const Verdict verdict = transaction.verdict;
    if (verdict == Verdict::Unsolicited || verdict == Verdict::Broadcast)
        unsolicitedBytes += transaction.reply().size();
    if (verdict == Verdict::Unsolicited)
        return;
    if (transaction.origin == Origin::Scan || transaction.origin == Origin::SelfTest) {
        ToolCount &tool = transaction.origin == Origin::Scan ? scanProbes : selfTestRequests;
        ++tool.requests;
        tool.answered += transaction.reply().empty() ? 0 : 1;
        return;
    }

    ++requests;
    switch (verdict) {
    case Verdict::Ok: {
        ++good;
        const double ms = transaction.responseMs().value_or(0);
        lastMs = ms;
        minMs = std::min(minMs.value_or(ms), ms);
        maxMs = std::max(maxMs.value_or(ms), ms);
        totalMs += ms;
        break;
    }
    case Verdict::NoReply:
        ++noReply;
        break;
    case Verdict::CrcError:
        ++crcErrors;
        break;
    case Verdict::Exception:
        ++exceptions[transaction.exceptionCode().value_or(0)];
        break;
    case Verdict::WrongAddress:
        ++wrongAddress;
        break;
    case Verdict::Garbled:
        ++garbled;
        break;
    case Verdict::Broadcast:
        ++broadcasts;
        break;
    case Verdict::CutShort:
    case Verdict::PortClosed:
        ++endedByTester;
        break;
    case Verdict::Unsolicited:
        break;
    }
}

std::uint64_t Health::exceptionCount() const
{
    std::uint64_t total = 0;
    for (const auto &[code, count] : exceptions)
        total += count;
    return total;
}

std::optional<double> Health::meanMs() const
{
    if (good == 0)
        return std::nullopt;
    return totalMs / double(good);
}

} // namespace line
