#include "Transaction.h"

namespace line {

std::optional<double> Transaction::responseMs() const
{
    if (requestSize == 0 || reply().empty() || verdict == Verdict::Broadcast)
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
    return verdict != Verdict::Broadcast && verdict != Verdict::Unsolicited;
}

} // namespace line
