#include "Scan.h"

#include "Words.h"

#include <algorithm>
#include <utility>

namespace procedures {

using line::ByteView;
using line::ExceptionBit;
using line::Transaction;
using line::Verdict;
using line::wholeMs;

Scan::Scan(Plan plan) : plan(std::move(plan))
{
    current = this->plan.first;
}

Scan::Step Scan::step() const
{
    if (stopped || portIndex >= plan.ports.size() || plan.first > plan.last)
        return Step::Done;
    return portOpen ? Step::Probe : Step::OpenPort;
}

int Scan::port() const
{
    return portIndex < plan.ports.size() ? plan.ports[portIndex] : 0;
}

int Scan::address() const
{
    return current;
}

int Scan::probesTotal() const
{
    const int perPort = plan.last >= plan.first ? plan.last - plan.first + 1 : 0;
    return perPort * int(plan.ports.size());
}

void Scan::portOpened(bool ok, const std::string &path)
{
    if (!ok) {
        const auto &optional = plan.ifTheyOpen;
        if (std::find(optional.begin(), optional.end(), port()) == optional.end())
            unopened.push_back(port());
        done += plan.last - plan.first + 1; // a port that cannot be opened is passed over
        nextPort();
        return;
    }
    portOpen = opened = true;
    device = path;
}

namespace {

bool carriesTheAddress(const Transaction &t)
{
    const ByteView reply = t.reply();
    const std::uint8_t address = t.request()[0], function = t.request()[1];
    for (std::size_t i = 0; i + 1 < reply.size(); ++i)
        if (reply[i] == address && (reply[i + 1] & ~ExceptionBit) == function)
            return true;
    return false;
}

bool answered(const Transaction &t)
{
    constexpr std::uint8_t GatewayPathUnavailable = 10, GatewayTargetSilent = 11;
    switch (t.verdict) {
    case Verdict::Exception: {
        const auto code = t.exceptionCode();
        return code != GatewayPathUnavailable && code != GatewayTargetSilent;
    }
    case Verdict::Ok:
    case Verdict::CrcError:
        return true;
    case Verdict::Garbled:
        return t.request().size() >= 2 && carriesTheAddress(t);
    default:
        return false;
    }
}

} // namespace

std::optional<Scan::Found> Scan::probed(const Transaction *t)
{
    std::optional<Found> found;
    if (!t || t->verdict == Verdict::PortClosed) {
        lost.push_back(port());
        done += plan.last - current + 1;
        nextPort();
        return found;
    }
    if (answered(*t)) {
        found = Found{port(), device, current, t->verdict, t->responseMs(), t->exceptionCode()};
        modules.push_back(*found);
    }
    ++done;
    if (++current > plan.last)
        nextPort();
    return found;
}

void Scan::cancel()
{
    stopped = true;
}

void Scan::nextPort()
{
    ++portIndex;
    portOpen = false;
    current = plan.first;
}

std::string describe(const Scan::Found &found)
{
    std::string text = (found.port ? "COM" + std::to_string(found.port) + ' ' : std::string()) +
                       found.device + " address " + std::to_string(found.address);
    if (found.responseMs)
        text += ' ' + std::to_string(wholeMs(*found.responseMs)) + " ms";
    if (found.verdict == Verdict::Exception && found.exceptionCode)
        text += ", exception " + std::to_string(*found.exceptionCode);
    else if (found.verdict == Verdict::CrcError)
        text += ", CRC error";
    else if (found.verdict == Verdict::Garbled)
        text += ", garbled";
    return text;
}

} // namespace procedures
