#include "Transaction.h"

namespace line {

std::optional<double> Transaction::responseMs() const
{
    if (requestSize == 0 || reply().empty() || verdict == Verdict::Broadcast ||
        verdict == Verdict::CutShort || verdict == Verdict::PortClosed)
        return std::nullopt;
    return std::chrono::duration<double, std::milli>(replyEnd - requestEnd).count();
}

std::optional<std::uint8_t> Transaction::exceptionCode() const
{
    if (verdict != Verdict::Exception)
        return std::nullopt;
    return reply()[2];
}

bool Transaction::changesStatus() const
{
    return usersOwn(origin) && verdict != Verdict::Broadcast && verdict != Verdict::Unsolicited;
}

} // namespace line

namespace line {

const char *originWord(Origin origin)
{
    switch (origin) {
    case Origin::Poll:
        return "poll";
    case Origin::Relay:
        return "relay";
    case Origin::All:
        return "All";
    case Origin::Scan:
        return "scan";
    case Origin::SelfTest:
        return "self-test";
    case Origin::Unsolicited:
        break;
    }
    return "unsolicited";
}

} // namespace line
