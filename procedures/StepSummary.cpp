#include "StepSummary.h"

#include "Words.h"

namespace line {

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
        parts.push_back("inputs " + std::to_string(p[0]) + " and " + std::to_string(p[1]) +
                        " change together");
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
               " (low / high; limits " + limits(report.low) + ", " + limits(report.high) + ")" +
               crossedSummary(report.analogCrossed);
    }
    return {};
}

} // namespace line
