#include "RunRecord.h"

#include "ReportJson.h"
#include "Uuid.h"

namespace records {

using line::readClocks;
using line::Time;
using line::WallClock;
using line::WallTime;
using procedures::AllRowFaultText;
using procedures::AnalogInput;
using procedures::AnalogLimits;
using procedures::DigitalInput;
using procedures::LinkValues;
using procedures::relayFaultText;
using procedures::RelayValues;
using procedures::resultWord;
using procedures::SelfTestReport;
using procedures::StepId;
using procedures::stepName;
using procedures::StepRecord;
using procedures::StepResult;

namespace {

std::optional<WallTime> wall(const std::optional<Time> &t, const WallClock &wallClock)
{
    if (!t)
        return std::nullopt;
    return wallClock(*t);
}

std::string joined(const std::vector<std::string> &items)
{
    std::string text;
    for (const std::string &item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

bool ran(const SelfTestReport &report, StepId id)
{
    return report.step(id).result != StepResult::NotRun;
}

// A reading judged by its limits; one never taken says why, as its input does.
Measurement reading(std::string name, const std::optional<int> &value, const AnalogLimits &limits,
                    StepResult input)
{
    Measurement m{std::move(name),    std::nullopt, double(limits.min),
                  double(limits.max), "counts",     resultWord(input)};
    if (value) {
        m.value = *value;
        m.result = *value >= limits.min && *value <= limits.max ? "pass" : "fail";
    }
    return m;
}

Measurement seen(std::string name, bool sawIt, StepResult input)
{
    return {std::move(name),
            sawIt ? 1.0 : 0.0,
            std::nullopt,
            std::nullopt,
            "",
            sawIt ? "pass" : resultWord(input)};
}

void linkMeasurements(const SelfTestReport &report, std::vector<Measurement> &out)
{
    const LinkValues &l = report.link;
    const char *result = resultWord(report.step(StepId::Link).result);
    out.push_back({"link reads", double(l.reads), std::nullopt, std::nullopt, "reads", ""});
    // Every read must be answered: the reads made are the lower limit.
    out.push_back(
        {"link good replies", double(l.good), double(l.reads), double(l.reads), "replies", result});
    const std::pair<const char *, std::optional<double>> times[] = {
        {"response time min", l.minMs},
        {"response time mean", l.meanMs},
        {"response time max", l.maxMs}};
    for (const auto &[name, value] : times)
        out.push_back({name, value, std::nullopt, std::nullopt, "ms", ""});
}

void relayMeasurements(const SelfTestReport &report, std::vector<Measurement> &out)
{
    const RelayValues &r = report.relays;
    // Only a step that ran to its end vouches for the relays it found sound; one cut short
    // says how it ended for each of them, since it cannot tell which it reached.
    const StepResult step = report.step(StepId::Relays).result;
    const bool whole = step == StepResult::Pass || step == StepResult::Fail;
    const std::string sound = whole ? "pass" : resultWord(step);
    for (std::size_t i = 0; i < r.failed.size(); ++i)
        out.push_back({"relay " + std::to_string(i + 1) + " read-back", std::nullopt, std::nullopt,
                       std::nullopt, "", r.failed[i] ? "fail" : sound});
    out.push_back({"all read-back", std::nullopt, std::nullopt, std::nullopt, "",
                   r.allFailed ? "fail" : sound});
}

std::vector<Measurement> measurements(const SelfTestReport &report)
{
    std::vector<Measurement> out;
    if (ran(report, StepId::Link))
        linkMeasurements(report, out);
    if (ran(report, StepId::Relays))
        relayMeasurements(report, out);
    if (ran(report, StepId::Digital))
        for (std::size_t i = 0; i < report.digital.size(); ++i) {
            const DigitalInput &d = report.digital[i];
            const std::string name = "digital " + std::to_string(i + 1);
            out.push_back(seen(name + " on", d.sawOn, d.result));
            out.push_back(seen(name + " off", d.sawOff, d.result));
        }
    if (ran(report, StepId::Analog))
        for (std::size_t i = 0; i < report.analog.size(); ++i) {
            const AnalogInput &a = report.analog[i];
            const std::string name = "analog " + std::to_string(i + 1);
            out.push_back(
                reading(name + " low", a.low, a.lowLimits.value_or(report.low), a.result));
            out.push_back(
                reading(name + " high", a.high, a.highLimits.value_or(report.high), a.result));
        }
    return out;
}

template <typename Inputs>
void failedInputs(StepId id, const Inputs &inputs, std::vector<std::string> &out)
{
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (inputs[i].result == StepResult::Fail)
            out.push_back(std::string(stepName(id)) + " input " + std::to_string(i + 1));
}

std::string failedText(const SelfTestReport &report)
{
    std::vector<std::string> failed;
    if (report.step(StepId::Link).result == StepResult::Fail)
        failed.push_back(stepName(StepId::Link));
    const RelayValues &r = report.relays;
    for (std::size_t i = 0; i < r.failed.size(); ++i)
        if (const auto fault = r.faults[i])
            failed.push_back(relayFaultText(int(i + 1), *fault));
        else if (r.failed[i])
            failed.push_back("relay " + std::to_string(i + 1));
    if (r.allFailed)
        failed.push_back(AllRowFaultText);
    failedInputs(StepId::Digital, report.digital, failed);
    failedInputs(StepId::Analog, report.analog, failed);
    return joined(failed);
}

} // namespace

RunRecord runRecord(const SelfTestReport &report, const ReportHeader &header,
                    const WallClock &wallClock, const std::string &station, const std::string &id,
                    WallTime now)
{
    RunRecord run;
    run.id = id;
    run.serialNumber = header.serialNumber;
    run.operatorName = header.operatorName;
    run.station = station;
    run.tester = header.tester;
    run.comNumber = header.comNumber;
    run.device = header.devicePath;
    run.address = report.address;
    run.started = wall(report.started(), wallClock).value_or(now);
    run.finished = wall(report.finished(), wallClock).value_or(now);
    run.outcome = report.outcome;
    run.failed = failedText(report);
    run.reportJson = reportJson(report, header, wallClock);
    for (const StepRecord &s : report.steps)
        run.steps.push_back({stepName(s.id), resultWord(s.result), wall(s.started(), wallClock),
                             wall(s.finished(), wallClock)});
    run.measurements = measurements(report);
    return run;
}

RunRecord newRunRecord(const SelfTestReport &report, const ReportHeader &header,
                       const WallClock &wallClock, const std::string &station)
{
    return runRecord(report, header, wallClock, station, randomUuid(), readClocks().wall);
}

} // namespace records
