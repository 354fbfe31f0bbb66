#include "StepSummary.h"

#include <cmath>

namespace line {

namespace {

std::string ms(const std::optional<double> &value)
{
    return value ? std::to_string(std::lround(*value)) : std::string("-");
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

std::string relaySummary(const RelayValues &relays)
{
    std::vector<std::string> failed;
    for (std::size_t i = 0; i < relays.failed.size(); ++i)
        if (relays.failed[i])
            failed.push_back(std::to_string(i + 1));
    if (relays.allFailed)
        failed.push_back("the All row");
    if (failed.empty())
        return "all eight and the All row switch and read back";
    return (failed.size() == 1 && !relays.allFailed ? "relay " : "failed: ") + joined(failed) +
           (failed.size() == 1 && !relays.allFailed ? " failed" : "");
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
        return relaySummary(report.relays);
    case StepId::Digital:
        return inputSummary(report.digital, [](const DigitalInput &d) {
            return std::string(resultWord(d.result));
        });
    case StepId::Analog:
        return inputSummary(report.analog, [](const AnalogInput &a) {
            const auto value = [](const std::optional<int> &v) {
                return v ? std::to_string(*v) : std::string("-");
            };
            return value(a.low) + " / " + value(a.high);
        });
    }
    return {};
}

} // namespace line
