#include "StepSummary.h"

#include "Words.h"

#include <algorithm>

namespace procedures {

using line::wholeMs;

namespace {

std::string ms(const std::optional<double> &value)
{
    return value ? std::to_string(wholeMs(*value)) : std::string("-");
}

std::string joined(const std::vector<std::string> &items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

std::string linkSummary(const LinkValues &link)
{
    std::string text =
        std::to_string(link.good) + " of " + std::to_string(link.reads) + " reads answered";
    if (link.good > 0)
        text += ", " + ms(link.minMs) + " / " + ms(link.meanMs) + " / " + ms(link.maxMs) +
                " ms (min / mean / max)";
    return text;
}

std::string relaySummary(const SelfTestReport &report)
{
    const RelayValues &relays = report.relays;
    std::vector<std::string> faults;
    for (std::size_t i = 0; i < relays.faults.size(); ++i)
        if (const auto fault = relays.faults[i])
            faults.push_back(relayFaultText(int(i + 1), *fault));
    if (relays.allFailed)
        faults.push_back(AllRowFaultText);
    // Which way the All row went, once it has: a broadcast switches every module on the line.
    const StepResult result = report.step(StepId::Relays).result;
    const std::string way = relays.allRow == AllRowWay::Unsaid ? ""
                            : relays.allRow == AllRowWay::Module
                                ? "; the All row to the module only"
                                : "; the All row to the module, then by broadcast";
    if (!faults.empty())
        return joined(faults) + way;
    if (result == StepResult::Pass)
        return "all eight and the All row switch and read back" + way;
    return "no relay blamed" + way;
}

std::string crossedSummary(const std::vector<InputPair> &pairs)
{
    std::vector<std::string> parts;
    for (const InputPair &p : pairs)
        parts.push_back(changeTogetherText(p));
    return parts.empty() ? std::string() : "; " + joined(parts);
}

std::string limits(const AnalogLimits &l)
{
    return std::to_string(l.min) + " to " + std::to_string(l.max);
}

template <typename Inputs, typename Describe>
std::string inputSummary(const Inputs &inputs, Describe describe)
{
    std::vector<std::string> parts;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        parts.push_back(std::to_string(i + 1) + ": " + describe(inputs[i]));
    return joined(parts);
}

} // namespace

std::string stepSummary(const SelfTestReport &report, StepId id)
{
    if (report.step(id).result == StepResult::NotRun)
        return {};
    switch (id) {
    case StepId::Link:
        return linkSummary(report.link);
    case StepId::Relays:
        return relaySummary(report);
    case StepId::Digital:
        return inputSummary(
                   report.digital,
                   [](const DigitalInput &d) { return std::string(resultWord(d.result)); }) +
               crossedSummary(report.digitalCrossed);
    case StepId::Analog:
        return inputSummary(report.analog,
                            [](const AnalogInput &a) {
                                const auto value = [](const std::optional<int> &v) {
                                    return v ? std::to_string(*v) : std::string("-");
                                };
                                return value(a.low) + " / " + value(a.high);
                            }) +
               // A fixture's ranges are each input's own, and its faults name them.
               (report.fixture.empty() ? " (low / high; limits " + limits(report.low) + ", " +
                                             limits(report.high) + ")"
                                       : std::string(" (low / high)")) +
               crossedSummary(report.analogCrossed);
    }
    return {};
}

std::vector<Untested> untested(const SelfTestReport &report)
{
    std::vector<Untested> found;
    if (report.outcome != Outcome::Pass && report.outcome != Outcome::Fail)
        return found;
    const auto inputsOf = [&](StepId id, const auto &inputs) {
        Untested u{id, {}};
        for (std::size_t i = 0; i < inputs.size(); ++i)
            if (inputs[i].result == StepResult::NotRun || inputs[i].result == StepResult::Skipped)
                u.inputs.push_back(int(i + 1));
        u.whole = u.inputs.size() == inputs.size();
        if (!u.inputs.empty())
            found.push_back(std::move(u));
    };
    inputsOf(StepId::Digital, report.digital);
    inputsOf(StepId::Analog, report.analog);
    return found;
}

std::vector<std::string> untestedNames(const SelfTestReport &report)
{
    std::vector<std::string> names;
    for (const Untested &u : untested(report)) {
        if (u.whole)
            names.push_back(stepName(u.step));
        else
            for (const int input : u.inputs)
                names.push_back(std::string(stepName(u.step)) + ' ' + std::to_string(input));
    }
    return names;
}

std::string untestedNote(const SelfTestReport &report)
{
    const std::vector<Untested> found = untested(report);
    if (found.empty())
        return {};
    const bool allWhole =
        std::all_of(found.begin(), found.end(), [](const Untested &u) { return u.whole; });
    std::vector<std::string> parts;
    for (const Untested &u : found) {
        std::string part = stepName(u.step);
        if (!allWhole && u.whole) {
            part += " inputs";
        } else if (!allWhole) {
            std::vector<std::string> numbers;
            for (const int input : u.inputs)
                numbers.push_back(std::to_string(input));
            part += (numbers.size() == 1 ? " input " : " inputs ") + joined(numbers);
        }
        parts.push_back(part);
    }
    return "(" + joined(parts) + (allWhole ? " inputs" : "") + " not tested)";
}

std::string verdictWord(Outcome outcome)
{
    std::string word = outcomeWord(outcome);
    for (char &c : word) // ASCII alone, whatever the C runtime's locale
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return word;
}

std::string verdictLine(Outcome outcome, const std::string &reason, const std::string &note)
{
    std::string text = verdictWord(outcome);
    if (!note.empty())
        text += ' ' + note;
    if (!reason.empty())
        text += ": " + reason;
    return text;
}

std::string verdictLine(const SelfTestReport &report)
{
    return verdictLine(report.outcome, report.reason, untestedNote(report));
}

std::string slotFindings(const SelfTestReport &report)
{
    switch (report.outcome) {
    case Outcome::Pass:
        return untestedNote(report);
    case Outcome::Fail: {
        std::string found;
        for (const StepRecord &step : report.steps)
            for (const Failure &failure : step.failures)
                found += (found.empty() ? "" : "; ") + failure.reason;
        return found;
    }
    case Outcome::Error:
    case Outcome::Aborted:
        return report.reason;
    }
    return {};
}

} // namespace procedures
