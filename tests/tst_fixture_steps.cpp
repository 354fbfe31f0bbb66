// The inputs proven on a loopback fixture, with nobody at the bench: each fault named by its
// part, over a fake line whose module has its relays wired back to its inputs; what the run did
// not test named on its verdict line.
#include "Cases.h"
#include "FakeLine.h"
#include "ReportFailed.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "SelfTest.h"
#include "StdStringCompare.h"
#include "StepSummary.h"
#include "Words.h"

#include <QtTest>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

// Digital input 4 is left unwired, and relays 4 and 8 drive nothing.
constexpr const char *FixtureText = "[fixture]\nname=bench-3\nsettle_ms=40\n"
                                    "[digital]\n1=1\n2=2\n3=3\n"
                                    "[analog]\n1=5,200-300,700-800\n2=6,200-300,700-800\n"
                                    "3=7,200-300,700-800\n";

// What the fixture's wires do, besides the module's own faults.
struct Wires {
    int deadInput = 0;    // never reads on
    int stuckOnInput = 0; // never reads off
    int contactOpen = 0;  // the relay's coil switches, its contact never closes
    int weakAnalog = 0;   // reads 512 with its relay on
    int highAnalog = 0;   // reads 750, its relay on or off
    bool swapped = false; // relays 1 and 2 drive each other's input
};

// The inputs as the wires leave them, once the relays have settled: 250 off, 750 on.
void follow(FakeModule &m, const procedures::Fixture &fixture, const Wires &w)
{
    const auto closed = [&](int relay) {
        return m.coils[std::size_t(relay - 1)] && relay != w.contactOpen;
    };
    for (const procedures::DigitalLoop &d : fixture.digital) {
        const int relay = w.swapped && d.relay <= 2 ? 3 - d.relay : d.relay;
        m.registers[std::size_t(6 + d.input)] =
            d.input == w.stuckOnInput || (closed(relay) && d.input != w.deadInput);
    }
    for (const procedures::AnalogLoop &a : fixture.analog)
        m.registers[std::size_t(3 + a.input)] = a.input == w.highAnalog   ? 750
                                                : !closed(a.relay)        ? 250
                                                : a.input == w.weakAnalog ? 512
                                                                          : 750;
}

struct FaultCase {
    const char *name;
    void (*fault)(FakeModule &, Wires &);
    const char *verdict;
    const char *failures;           // every step's, joined by "; "
    const char *json;               // what the JSON blames, as failedOf() says it
    const char *cancelAt = nullptr; // in the digital step, once this request has gone out
    int lose = -1; // the digital step's request of this number, from 0, never reaches the module
    int evidence = -1; // the transaction, in the first step that failed, its first failure names
};

void none(FakeModule &, Wires &) {}

const FaultCase FaultCases[] = {
    {"healthy", none, "PASS (digital input 4 not tested)", "", "|||"},
    {"input 2 dead", [](FakeModule &, Wires &w) { w.deadInput = 2; },
     "FAIL (digital input 4 not tested)",
     "input 2 does not follow relay 2 (relay 2's contact or input 2)", "|2||2/2"},
    {"relay 3's contact open", [](FakeModule &, Wires &w) { w.contactOpen = 3; },
     "FAIL (digital input 4 not tested)",
     "input 3 does not follow relay 3 (relay 3's contact or input 3)", "|3||3/3"},
    {"input 3 stuck on", [](FakeModule &, Wires &w) { w.stuckOnInput = 3; },
     "FAIL (digital input 4 not tested)", "input 3 stuck on", "|3||3/3", nullptr, -1,
     0}, // seen at once, at the read with every relay off
    {"inputs 1 and 2 shorted",
     [](FakeModule &m, Wires &) {
         m.shortedInputs = {1, 2};
     },
     "FAIL (digital input 4 not tested)", "inputs 1 and 2 change together", "|1 2||2/1 1/2"},
    {"relays 1 and 2 swapped", [](FakeModule &, Wires &w) { w.swapped = true; },
     "FAIL (digital input 4 not tested)",
     "input 1 does not follow relay 1 (relay 1's contact or input 1); input 2 changes with "
     "relay 1",
     "|1 2||1/1 2/1"},
    {"analog 2 out of its range", [](FakeModule &, Wires &w) { w.weakAnalog = 2; },
     "FAIL (digital input 4 not tested)", "analog input 2 reads 512 with relay 6 on (700\u2013800)",
     "||2|2/6"},
    {"analog 2 high with every relay off", [](FakeModule &, Wires &w) { w.highAnalog = 2; },
     "FAIL (digital input 4 not tested)",
     "analog input 2 reads 750 with every relay off (200\u2013300)", "||2|2/6", nullptr, -1, 0},
    {"analog 3 follows 1",
     [](FakeModule &m, Wires &) {
         m.analogFollows = {1, 3};
     },
     "FAIL (digital input 4 not tested)", "inputs 1 and 3 change together", "||3|3/5"},
    // Blamed on the relay once: its input is not tested, and the verdict says so.
    {"relay 2 never switches", [](FakeModule &m, Wires &) { m.stuckRelay = 2; },
     "FAIL (digital inputs 2 and 4 not tested)", "relay 2 does not switch on", "2|||"},
    // Every relay is switched off, as ever.
    {"cancelled with relay 2 on", none, "ABORTED: cancelled by the operator", "", "|||",
     "Write Single Coil 1 (relay 2) ON"},
    // A request lost on the line blames no input, and a relay whose write was lost is switched
    // off again. The digital step: the read with every relay off, then for each of relays 1 to 3
    // ON, a read, OFF, a read.
    {"relay 2's switch-off lost", none, "FAIL (digital input 4 not tested)",
     "relay 2 OFF: No reply", "|||", nullptr, 7, 7},
    {"relay 3's switch-on lost", none, "FAIL (digital inputs 3 and 4 not tested)",
     "relay 3 ON: No reply", "|||", nullptr, 9, 9},
    {"the read with every relay off lost", none, "FAIL (digital input 4 not tested)",
     "inputs read with every relay off: No reply", "|||", nullptr, 0, 0},
    {"the read after relay 1 ON lost", none, "FAIL (digital inputs 1 and 4 not tested)",
     "inputs read after relay 1 ON: No reply", "|||", nullptr, 2, 2},
};

line::WallTime noWallTime(line::Time)
{
    return {};
}

procedures::Fixture fixture()
{
    return *procedures::parseFixture(FixtureText, "bench-3.ini").fixture;
}

// The run driven to its end, or cancelled once `cancelAt` goes out in the digital step: nobody
// is asked anything, and every read of the inputs waits for the relays to settle.
// `lose`: the digital step's request of that number never reaches the module.
procedures::SelfTestReport run(FakeLine &fake, const Wires &wires, const char *cancelAt = nullptr,
                               int lose = -1)
{
    procedures::SelfTestSettings settings;
    settings.confirmByEar = true; // and still nobody is asked on a fixture
    settings.fixture = fixture();
    procedures::SelfTest test(settings);
    int sent = 0; // in the digital step
    for (int guard = 0; guard < 500 && !test.finished(); ++guard) {
        const procedures::Action a = test.next();
        if (a.kind == procedures::Action::Kind::Finished)
            break;
        if (a.kind != procedures::Action::Kind::Send) {
            QTest::qFail("the operator was asked", __FILE__, __LINE__);
            return test.report();
        }
        const bool inputs = test.currentStep() >= procedures::StepId::Digital;
        const bool read = a.request.kind == line::ToolRequest::Kind::ReadHoldingRegisters;
        if (inputs && a.interval != (read ? 40ms : 0ms)) {
            QTest::qFail("a read of the inputs that does not settle", __FILE__, __LINE__);
            return test.report();
        }
        fake.now += a.interval;
        const bool digital = test.currentStep() == procedures::StepId::Digital;
        fake.module.silent = digital && sent++ == lose;
        const line::Transaction t = fake.send(a.request, a.replyWait);
        fake.module.silent = false;
        follow(fake.module, *settings.fixture, wires);
        if (cancelAt && test.currentStep() == procedures::StepId::Digital &&
            line::meaning(t) == cancelAt)
            test.cancel();
        test.replied(t);
    }
    return test.report();
}

QJsonObject json(const procedures::SelfTestReport &r)
{
    const std::string text = records::reportJson(r, {}, noWallTime);
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

} // namespace

class FixtureStepsTest : public QObject {
    Q_OBJECT
private slots:
    void faultsNamedByPart_data() { addCaseRows(FaultCases); }
    void faultsNamedByPart()
    {
        const FaultCase &c = fetchCase(FaultCases);
        FakeLine fake(noWallTime);
        Wires wires;
        c.fault(fake.module, wires);
        const procedures::SelfTestReport r = run(fake, wires, c.cancelAt, c.lose);
        QCOMPARE(procedures::verdictLine(r), std::string(c.verdict));
        std::string failures;
        for (const procedures::StepRecord &s : r.steps)
            for (const procedures::Failure &f : s.failures)
                failures += (failures.empty() ? "" : "; ") + f.reason;
        QCOMPARE(failures, std::string(c.failures));
        for (const auto id : {procedures::StepId::Digital, procedures::StepId::Analog}) {
            const procedures::StepRecord &s = r.step(id); // a pair named where its failure is
            const auto named = [](const std::string &text) {
                return text.find("change together") != std::string::npos;
            };
            QCOMPARE(named(procedures::stepSummary(r, id)),
                     std::any_of(s.failures.begin(), s.failures.end(),
                                 [&](const procedures::Failure &f) { return named(f.reason); }));
        }
        const auto failed = std::find_if(r.steps.begin(), r.steps.end(),
                                         [](const auto &s) { return !s.failures.empty(); });
        if (c.evidence >= 0 && failed != r.steps.end())
            QCOMPARE(failed->failures.front().transaction, std::optional<std::size_t>(c.evidence));
        else
            QCOMPARE(c.evidence, -1);
        QCOMPARE(fake.module.coils, (std::array<bool, 8>{}));
        for (const procedures::StepRecord &s : r.steps) // the module's own address alone
            for (const line::Transaction &t : s.traffic)
                QCOMPARE(int(t.request()[0]), 1);

        QCOMPARE(failedOf(json(r)), c.json);
    }

    // One read with every relay off, then each wired relay on and off, each read after it
    // settles; every analog value kept at its level.
    void healthyRunReadsEachLoop()
    {
        FakeLine fake(noWallTime);
        const procedures::SelfTestReport r = run(fake, {});
        QStringList digital;
        for (const line::Transaction &t : r.step(procedures::StepId::Digital).traffic)
            digital << QString::fromStdString(line::meaning(t)).section(':', 0, 0);
        QCOMPARE(digital.join('|'),
                 "Read Holding Registers 0-10|Write Single Coil 0 (relay 1) ON|Read Holding "
                 "Registers 0-10|Write Single Coil 0 (relay 1) OFF|Read Holding Registers 0-10|"
                 "Write Single Coil 1 (relay 2) ON|Read Holding Registers 0-10|Write Single Coil "
                 "1 (relay 2) OFF|Read Holding Registers 0-10|Write Single Coil 2 (relay 3) "
                 "ON|Read Holding Registers 0-10|Write Single Coil 2 (relay 3) OFF|Read Holding "
                 "Registers 0-10");
        const QJsonObject o = json(r);
        QCOMPARE(o["fixture"].toString(), "bench-3");
        QCOMPARE(o["untested"].toArray(), QJsonArray({"digital 4"}));
        const QJsonValue analog = o["steps"][3]["values"];
        const std::string html = records::reportHtml(r, {}, noWallTime);
        QVERIFY(html.find("<td>bench-3</td>") != std::string::npos);
        QVERIFY(html.find(">PASS <span class=\"untested\">(digital input 4 not tested)</span>") !=
                std::string::npos);
        QCOMPARE(QJsonDocument(analog["readings"][1].toObject()).toJson(QJsonDocument::Compact),
                 R"({"input":2,"off":[250,250,250,250,250,250],"on":[750]})");
        QCOMPARE(
            QJsonDocument(analog["inputs"][0].toObject()).toJson(QJsonDocument::Compact),
            R"({"high":750,"high_limits":[700,800],"input":1,"low":250,"low_limits":[200,300],)"
            R"("result":"pass"})");
    }
};

QTEST_APPLESS_MAIN(FixtureStepsTest)
#include "tst_fixture_steps.moc"
