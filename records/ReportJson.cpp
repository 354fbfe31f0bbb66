#include "ReportJson.h"

#include "Json.h"
#include "StepSummary.h"
#include "Words.h"

namespace records {

using line::hex;
using line::meaning;
using line::Time;
using line::Transaction;
using line::verdictName;
using line::verdictText;
using line::WallClock;
using procedures::allRowWayName;
using procedures::AnalogInput;
using procedures::AnalogLimits;
using procedures::AnalogReadings;
using procedures::DigitalInput;
using procedures::Failure;
using procedures::InputFault;
using procedures::InputPair;
using procedures::LinkValues;
using procedures::outcomeWord;
using procedures::overallWord;
using procedures::relayFaultName;
using procedures::resultWord;
using procedures::SelfTestReport;
using procedures::StepId;
using procedures::stepName;
using procedures::StepRecord;
using procedures::StepResult;
using procedures::stepSummary;
using procedures::untestedNames;

namespace {

void time(JsonWriter &json, const char *key, std::optional<Time> t, const WallClock &wallClock)
{
    json.key(key);
    if (t)
        json.value(isoTime(wallClock(*t)));
    else
        json.null();
}

// Null where the run had none: a fixture brings each input's own.
void limits(JsonWriter &json, const char *key, const std::optional<AnalogLimits> &l)
{
    json.key(key);
    if (l)
        json.beginArray().value(l->min).value(l->max).endArray();
    else
        json.null();
}

void crossed(JsonWriter &json, const std::vector<InputPair> &pairs)
{
    json.key("crossed").beginArray();
    for (const InputPair &p : pairs)
        json.beginArray().value(p[0]).value(p[1]).endArray();
    json.endArray();
}

// The inputs that failed, by number, and on a fixture what each did wrong with which relay.
template <typename Inputs>
void inputFaults(JsonWriter &json, const Inputs &inputs, const std::vector<InputFault> &faults)
{
    json.key("failed").beginArray();
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (inputs[i].result == StepResult::Fail)
            json.value(int(i + 1));
    json.endArray().key("faults").beginArray();
    for (const InputFault &f : faults)
        json.beginObject()
            .key("input")
            .value(f.input)
            .key("relay")
            .value(f.relay)
            .key("reason")
            .value(f.reason)
            .endObject();
    json.endArray();
}

void readings(JsonWriter &json, const SelfTestReport &report)
{
    json.key("readings").beginArray();
    for (std::size_t i = 0; i < report.analogReadings.size(); ++i) {
        const AnalogReadings &r = report.analogReadings[i];
        if (r.off.empty() && r.on.empty())
            continue;
        json.beginObject().key("input").value(int(i + 1));
        for (const auto &[key, values] : {std::pair{"off", &r.off}, {"on", &r.on}}) {
            json.key(key).beginArray();
            for (const int v : *values)
                json.value(v);
            json.endArray();
        }
        json.endObject();
    }
    json.endArray();
}

void values(JsonWriter &json, const SelfTestReport &report, StepId id)
{
    json.key("values").beginObject();
    if (report.step(id).result == StepResult::NotRun) {
        json.endObject();
        return;
    }
    switch (id) {
    case StepId::Link: {
        const LinkValues &l = report.link;
        json.key("reads").value(l.reads).key("good").value(l.good);
        json.key("min_ms").value(l.minMs, 1).key("mean_ms").value(l.meanMs, 1);
        json.key("max_ms").value(l.maxMs, 1);
        break;
    }
    case StepId::Relays:
        json.key("failed").beginArray();
        for (int n = 1; n <= int(report.relays.failed.size()); ++n)
            if (report.relays.failed[std::size_t(n - 1)])
                json.value(n);
        json.endArray().key("faults").beginArray();
        for (int n = 1; n <= int(report.relays.faults.size()); ++n)
            if (const auto fault = report.relays.faults[std::size_t(n - 1)])
                json.beginObject()
                    .key("relay")
                    .value(n)
                    .key("fault")
                    .value(relayFaultName(*fault))
                    .endObject();
        json.endArray().key("all_failed").value(report.relays.allFailed);
        json.key("all_row").value(allRowWayName(report.relays.allRow));
        break;
    case StepId::Digital:
        json.key("inputs").beginArray();
        for (std::size_t i = 0; i < report.digital.size(); ++i) {
            const DigitalInput &d = report.digital[i];
            json.beginObject().key("input").value(int(i + 1));
            json.key("result").value(resultWord(d.result));
            json.key("on_seen").value(d.sawOn).key("off_seen").value(d.sawOff).endObject();
        }
        json.endArray();
        crossed(json, report.digitalCrossed);
        inputFaults(json, report.digital, report.digitalFaults);
        break;
    case StepId::Analog:
        limits(json, "low_limits",
               report.fixture.empty() ? report.low : std::optional<AnalogLimits>());
        limits(json, "high_limits",
               report.fixture.empty() ? report.high : std::optional<AnalogLimits>());
        json.key("inputs").beginArray();
        for (std::size_t i = 0; i < report.analog.size(); ++i) {
            const AnalogInput &a = report.analog[i];
            json.beginObject().key("input").value(int(i + 1));
            json.key("result").value(resultWord(a.result));
            json.key("low").value(a.low).key("high").value(a.high);
            if (a.lowLimits && a.highLimits) {
                limits(json, "low_limits", a.lowLimits);
                limits(json, "high_limits", a.highLimits);
            }
            json.endObject();
        }
        json.endArray();
        crossed(json, report.analogCrossed);
        inputFaults(json, report.analog, report.analogFaults);
        readings(json, report);
        break;
    }
    json.endObject();
}

void traffic(JsonWriter &json, const StepRecord &step, const WallClock &wallClock)
{
    json.key("traffic").beginArray();
    for (const Transaction &t : step.traffic) {
        json.beginObject();
        json.key("time").value(isoTime(wallClock(t.start), true));
        json.key("request").value(hex(t.request())).key("reply").value(hex(t.reply()));
        // The words for whoever reads the file, the name for reading it back.
        json.key("verdict").value(verdictText(t)).key("verdict_name").value(verdictName(t.verdict));
        json.key("response_ms").value(t.responseMs(), 1);
        json.key("meaning").value(meaning(t)).endObject();
    }
    json.endArray();
}

// Which transaction of `traffic` shows each failure, so that a report made again from the
// record prints the same rows.
void evidence(JsonWriter &json, const StepRecord &step)
{
    json.key("evidence").beginArray();
    for (const Failure &f : step.failures)
        if (f.transaction)
            json.value(static_cast<long long>(*f.transaction));
        else
            json.null();
    json.endArray();
}

} // namespace

std::string reportJson(const SelfTestReport &report, const ReportHeader &header,
                       const WallClock &wallClock)
{
    JsonWriter json;
    json.beginObject();
    json.key("tester").value(header.tester);
    json.key("verdict").value(overallWord(report.verdict));
    json.key("outcome").value(outcomeWord(report.outcome)).key("reason");
    if (report.reason.empty())
        json.null();
    else
        json.value(report.reason);
    json.key("fixture");
    if (report.fixture.empty())
        json.null();
    else
        json.value(report.fixture);
    json.key("untested").beginArray();
    for (const std::string &name : untestedNames(report))
        json.value(name);
    json.endArray();
    time(json, "started", report.started(), wallClock);
    time(json, "finished", report.finished(), wallClock);
    json.key("operator").value(header.operatorName);
    json.key("module").beginObject();
    json.key("address").value(int(report.address));
    json.key("serial_number").value(header.serialNumber).endObject();
    json.key("port").beginObject();
    json.key("com").value(header.comNumber).key("device").value(header.devicePath).endObject();

    json.key("steps").beginArray();
    for (const StepRecord &step : report.steps) {
        json.beginObject();
        json.key("name").value(stepName(step.id)).key("result").value(resultWord(step.result));
        time(json, "started", step.started(), wallClock);
        time(json, "finished", step.finished(), wallClock);
        json.key("summary").value(stepSummary(report, step.id));
        values(json, report, step.id);
        json.key("failures").beginArray();
        for (const Failure &f : step.failures)
            json.value(f.reason);
        json.endArray();
        if (step.result == StepResult::Fail) {
            traffic(json, step, wallClock);
            evidence(json, step);
        }
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.text();
}

} // namespace records
