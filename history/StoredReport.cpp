#include "StoredReport.h"

#include "Verdict.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>

namespace {

using namespace std::chrono;

// Report times are wall times; this clock reads them back unchanged.
line::Time asTime(line::WallTime t)
{
    return line::Time(duration_cast<line::Time::duration>(t.time_since_epoch()));
}

line::WallTime asWall(line::Time t)
{
    return line::WallTime(duration_cast<line::WallTime::duration>(t.time_since_epoch()));
}

std::optional<line::Time> timeOf(const QJsonValue &value)
{
    const QDateTime t = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!t.isValid())
        return std::nullopt;
    return asTime(line::WallTime(milliseconds(t.toMSecsSinceEpoch())));
}

std::string text(const QJsonValue &value)
{
    return value.toString().toStdString();
}

template <typename Enum, std::size_t N, typename Word>
std::optional<Enum> byWord(const QString &word, const std::array<Enum, N> &all, Word wordOf)
{
    for (const Enum e : all)
        if (word == QLatin1String(wordOf(e)))
            return e;
    return std::nullopt;
}

constexpr std::array<procedures::StepResult, 6> StepResults{
    procedures::StepResult::NotRun,    procedures::StepResult::Pass,
    procedures::StepResult::Fail,      procedures::StepResult::Skipped,
    procedures::StepResult::Cancelled, procedures::StepResult::Error};

procedures::StepResult stepResult(const QJsonValue &value)
{
    return byWord(value.toString(), StepResults, procedures::resultWord)
        .value_or(procedures::StepResult::NotRun);
}

std::optional<int> optionalInt(const QJsonValue &value)
{
    return value.isDouble() ? std::optional<int>(value.toInt()) : std::nullopt;
}

std::optional<double> optionalDouble(const QJsonValue &value)
{
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

std::vector<std::uint8_t> bytesOf(const QJsonValue &hex)
{
    const QByteArray raw = QByteArray::fromHex(hex.toString().toLatin1());
    return {raw.begin(), raw.end()};
}

std::vector<procedures::InputPair> pairs(const QJsonValue &value)
{
    std::vector<procedures::InputPair> read;
    for (const QJsonValue pair : value.toArray())
        read.push_back({pair[0].toInt(), pair[1].toInt()});
    return read;
}

// The words reports kept for a transaction's verdict before they kept its name as well. They
// are what those files hold, and stay so whatever the monitor comes to say.
std::optional<line::Verdict> verdictOfOldWords(const QString &words)
{
    using line::Verdict;
    static const std::pair<const char *, Verdict> Old[] = {
        {"OK", Verdict::Ok},
        {"No reply", Verdict::NoReply},
        {"CRC error", Verdict::CrcError},
        {"Wrong address", Verdict::WrongAddress},
        {"Garbled", Verdict::Garbled},
        {"Broadcast", Verdict::Broadcast},
        {"Unsolicited", Verdict::Unsolicited},
        {"Cut short", Verdict::CutShort},
        {"Port closed", Verdict::PortClosed},
    };
    for (const auto &[old, verdict] : Old)
        if (words == QLatin1String(old))
            return verdict;
    if (words.startsWith(QLatin1String("Exception "))) // "Exception 2": the code is the reply's
        return Verdict::Exception;
    return std::nullopt;
}

// The transaction as far as the page shows it: its bytes, its time, its verdict and its
// response time. Its verdict is read by its name, or, in a report kept before the name was,
// by its words; failing both, it is judged again from the bytes.
line::Transaction transaction(const QJsonObject &o)
{
    line::Transaction t;
    t.origin = line::Origin::SelfTest;
    const std::vector<std::uint8_t> request = bytesOf(o[QLatin1String("request")]);
    t.bytes = request;
    const std::vector<std::uint8_t> reply = bytesOf(o[QLatin1String("reply")]);
    t.bytes.insert(t.bytes.end(), reply.begin(), reply.end());
    t.requestSize = std::uint32_t(request.size());
    t.start = timeOf(o[QLatin1String("time")]).value_or(line::Time());
    t.requestEnd = t.start;
    const auto response = optionalDouble(o[QLatin1String("response_ms")]);
    t.replyEnd = t.requestEnd + duration_cast<line::Time::duration>(
                                    duration<double, std::milli>(response.value_or(0)));
    std::optional<line::Verdict> verdict =
        line::verdictNamed(text(o[QLatin1String("verdict_name")]));
    if (!verdict)
        verdict = verdictOfOldWords(o[QLatin1String("verdict")].toString());
    t.verdict = verdict.value_or(line::verdictOf(t.request(), t.reply()));
    return t;
}

// A step's times come from its traffic. The record keeps the traffic of a failed step; any
// other step gets one transaction spanning its recorded start and end. The last transaction
// ends when the step did, so that the page's times come out the same.
void readTraffic(procedures::StepRecord &step, const QJsonObject &o)
{
    for (const QJsonValue t : o[QLatin1String("traffic")].toArray())
        step.traffic.push_back(transaction(t.toObject()));
    const auto started = timeOf(o[QLatin1String("started")]);
    const auto finished = timeOf(o[QLatin1String("finished")]);
    if (step.traffic.empty() && started && finished) {
        line::Transaction span;
        span.start = *started;
        span.requestEnd = span.replyEnd = *finished;
        step.traffic.push_back(span);
        return;
    }
    if (step.traffic.empty() || !finished)
        return;
    line::Transaction &last = step.traffic.back();
    const auto response = last.replyEnd - last.requestEnd;
    last.replyEnd = std::max(last.start, *finished);
    last.requestEnd = last.replyEnd - response;
}

void readFailures(procedures::StepRecord &step, const QJsonObject &o)
{
    const QJsonArray evidence = o[QLatin1String("evidence")].toArray();
    const QJsonArray failures = o[QLatin1String("failures")].toArray();
    for (qsizetype i = 0; i < failures.size(); ++i) {
        procedures::Failure f{text(failures[i]), std::nullopt};
        if (i < evidence.size() && evidence[i].isDouble())
            f.transaction = std::size_t(evidence[i].toInteger());
        step.failures.push_back(f);
    }
}

void readValues(procedures::SelfTestReport &r, procedures::StepId id, const QJsonObject &v)
{
    switch (id) {
    case procedures::StepId::Link:
        r.link.reads = v[QLatin1String("reads")].toInt();
        r.link.good = v[QLatin1String("good")].toInt();
        r.link.minMs = optionalDouble(v[QLatin1String("min_ms")]);
        r.link.meanMs = optionalDouble(v[QLatin1String("mean_ms")]);
        r.link.maxMs = optionalDouble(v[QLatin1String("max_ms")]);
        break;
    case procedures::StepId::Relays: {
        for (const QJsonValue n : v[QLatin1String("failed")].toArray())
            if (n.toInt() >= 1 && n.toInt() <= int(r.relays.failed.size()))
                r.relays.failed[std::size_t(n.toInt() - 1)] = true;
        constexpr std::array<procedures::RelayFault, 3> Faults{procedures::RelayFault::StuckOn,
                                                               procedures::RelayFault::StuckOff,
                                                               procedures::RelayFault::Inverted};
        for (const QJsonValue f : v[QLatin1String("faults")].toArray()) {
            const int relay = f[QLatin1String("relay")].toInt();
            if (relay >= 1 && relay <= int(r.relays.faults.size()))
                r.relays.faults[std::size_t(relay - 1)] = byWord(
                    f[QLatin1String("fault")].toString(), Faults, procedures::relayFaultName);
        }
        r.relays.allFailed = v[QLatin1String("all_failed")].toBool();
        constexpr std::array<procedures::AllRowWay, 3> Ways{
            procedures::AllRowWay::Unsaid, procedures::AllRowWay::Module,
            procedures::AllRowWay::ModuleAndBroadcast};
        r.relays.allRow =
            byWord(v[QLatin1String("all_row")].toString(), Ways, procedures::allRowWayName)
                .value_or(procedures::AllRowWay::Unsaid);
        break;
    }
    case procedures::StepId::Digital: {
        const QJsonArray inputs = v[QLatin1String("inputs")].toArray();
        for (std::size_t i = 0; i < r.digital.size() && i < std::size_t(inputs.size()); ++i) {
            const QJsonValue d = inputs[qsizetype(i)];
            r.digital[i] = {stepResult(d[QLatin1String("result")]),
                            d[QLatin1String("on_seen")].toBool(),
                            d[QLatin1String("off_seen")].toBool()};
        }
        r.digitalCrossed = pairs(v[QLatin1String("crossed")]);
        break;
    }
    case procedures::StepId::Analog: {
        const QJsonArray low = v[QLatin1String("low_limits")].toArray();
        const QJsonArray high = v[QLatin1String("high_limits")].toArray();
        r.low = {low.at(0).toInt(), low.at(1).toInt()}; // none on a fixture
        r.high = {high.at(0).toInt(), high.at(1).toInt()};
        const QJsonArray inputs = v[QLatin1String("inputs")].toArray();
        for (std::size_t i = 0; i < r.analog.size() && i < std::size_t(inputs.size()); ++i) {
            const QJsonValue a = inputs[qsizetype(i)];
            r.analog[i] = {stepResult(a[QLatin1String("result")]),
                           optionalInt(a[QLatin1String("low")]),
                           optionalInt(a[QLatin1String("high")])};
        }
        r.analogCrossed = pairs(v[QLatin1String("crossed")]);
        break;
    }
    }
}

} // namespace

std::optional<StoredReport> readStoredReport(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    const QJsonObject o = document.object();
    const QJsonArray steps = o[QLatin1String("steps")].toArray();
    if (document.isNull() || steps.size() != qsizetype(procedures::StepCount)) {
        if (error != nullptr)
            *error = document.isNull() ? parseError.errorString()
                                       : QStringLiteral("not a self-test report");
        return std::nullopt;
    }

    StoredReport stored;
    stored.wallClock = asWall;
    records::ReportHeader &h = stored.header;
    h.tester = text(o[QLatin1String("tester")]);
    h.operatorName = text(o[QLatin1String("operator")]);
    const QJsonObject module = o[QLatin1String("module")].toObject();
    h.serialNumber = text(module[QLatin1String("serial_number")]);
    const QJsonObject port = o[QLatin1String("port")].toObject();
    h.comNumber = port[QLatin1String("com")].toInt();
    h.devicePath = text(port[QLatin1String("device")]);

    procedures::SelfTestReport &r = stored.report;
    r.address = std::uint8_t(module[QLatin1String("address")].toInt());
    constexpr std::array<procedures::Overall, 4> Verdicts{
        procedures::Overall::Pass, procedures::Overall::Fail, procedures::Overall::NoModule,
        procedures::Overall::Cancelled};
    r.verdict = byWord(o[QLatin1String("verdict")].toString(), Verdicts, procedures::overallWord)
                    .value_or(procedures::Overall::Fail);
    r.outcome = procedures::outcomeNamed(text(o[QLatin1String("outcome")]))
                    .value_or(procedures::Outcome::Error);
    r.reason = text(o[QLatin1String("reason")]);
    r.fixture = text(o[QLatin1String("fixture")]);
    for (std::size_t i = 0; i < procedures::StepCount; ++i) {
        const QJsonObject s = steps[qsizetype(i)].toObject();
        procedures::StepRecord &step = r.steps[i];
        step.result = stepResult(s[QLatin1String("result")]);
        readTraffic(step, s);
        readFailures(step, s);
        if (step.result != procedures::StepResult::NotRun)
            readValues(r, step.id, s[QLatin1String("values")].toObject());
    }
    return stored;
}
