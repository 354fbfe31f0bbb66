#include "SelfTestResult.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace procedures {

using line::Time;
using line::Transaction;

std::optional<Time> StepRecord::started() const
{
    if (traffic.empty())
        return std::nullopt;
    return traffic.front().start;
}

std::optional<Time> StepRecord::finished() const
{
    if (traffic.empty())
        return std::nullopt;
    const Transaction &last = traffic.back();
    return std::max(last.requestEnd, last.replyEnd);
}

std::optional<Time> SelfTestReport::started() const
{
    for (const StepRecord &s : steps)
        if (const auto t = s.started())
            return t;
    return std::nullopt;
}

std::optional<Time> SelfTestReport::finished() const
{
    std::optional<Time> last;
    for (const StepRecord &s : steps)
        if (const auto t = s.finished())
            last = std::max(last.value_or(*t), *t);
    return last;
}

const char *resultWord(StepResult result)
{
    switch (result) {
    case StepResult::NotRun:
        return "not run";
    case StepResult::Pass:
        return "pass";
    case StepResult::Fail:
        return "fail";
    case StepResult::Skipped:
        return "skipped";
    case StepResult::Cancelled:
        return "cancelled";
    case StepResult::Error:
        return "error";
    }
    return "";
}

const char *stepName(StepId id)
{
    switch (id) {
    case StepId::Link:
        return "link";
    case StepId::Relays:
        return "relays";
    case StepId::Digital:
        return "digital";
    case StepId::Analog:
        return "analog";
    }
    return "";
}

const char *stepTitle(StepId id)
{
    switch (id) {
    case StepId::Link:
        return "Link";
    case StepId::Relays:
        return "Relays";
    case StepId::Digital:
        return "Digital inputs";
    case StepId::Analog:
        return "Analog inputs";
    }
    return "";
}

const char *overallWord(Overall verdict)
{
    switch (verdict) {
    case Overall::Pass:
        return "pass";
    case Overall::Fail:
        return "fail";
    case Overall::NoModule:
        return "no module";
    case Overall::Cancelled:
        return "cancelled";
    }
    return "";
}

const char *outcomeWord(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Pass:
        return "pass";
    case Outcome::Fail:
        return "fail";
    case Outcome::Error:
        return "error";
    case Outcome::Aborted:
        return "aborted";
    }
    return "";
}

std::optional<Outcome> outcomeNamed(const std::string &word)
{
    // ASCII only, without the C runtime's locale: the words are ASCII.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (const Outcome o : Outcomes) {
        const std::string_view own = outcomeWord(o);
        if (word.size() == own.size() &&
            std::equal(word.begin(), word.end(), own.begin(),
                       [&](char typed, char c) { return lower(typed) == c; }))
            return o;
    }
    return std::nullopt;
}

const char *relayFaultName(RelayFault fault)
{
    switch (fault) {
    case RelayFault::StuckOn:
        return "stuck_on";
    case RelayFault::StuckOff:
        return "stuck_off";
    case RelayFault::Inverted:
        return "inverted";
    }
    return "";
}

const char *allRowWayName(AllRowWay way)
{
    switch (way) {
    case AllRowWay::Unsaid:
        return "";
    case AllRowWay::Module:
        return "module";
    case AllRowWay::ModuleAndBroadcast:
        return "module_and_broadcast";
    }
    return "";
}

std::string relayFaultText(int relay, RelayFault fault)
{
    const std::string name = "relay " + std::to_string(relay);
    switch (fault) {
    case RelayFault::StuckOn:
        return name + " stuck on";
    case RelayFault::StuckOff:
        return name + " does not switch on";
    case RelayFault::Inverted:
        return name + " reads inverted";
    }
    return name;
}

std::string changeTogetherText(const InputPair &pair)
{
    return "inputs " + std::to_string(pair[0]) + " and " + std::to_string(pair[1]) +
           " change together";
}

SelfTestReport unrunReport(std::uint8_t address, Outcome outcome, std::string reason)
{
    SelfTestReport report;
    report.address = address;
    report.outcome = outcome;
    report.verdict = Overall::Cancelled; // stopped before its end, as a lost port is
    report.reason = std::move(reason);
    return report;
}

} // namespace procedures
