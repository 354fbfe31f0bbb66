// The self-test driven to its end over a fake line: the master's builders, a fake module and
// the real line monitor, so every verdict the sequencer judges is a real one.
#include "Cases.h"
#include "FakeLine.h"
#include "LineClock.h"
#include "Mbap.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "SelfTest.h"
#include "StdStringCompare.h"
#include "StepSummary.h"
#include "Words.h"

#include <QtTest>

#include <ctime>

using namespace std::chrono_literals;
using lineclock::T0;
using lineclock::wall;
using procedures::Action;
using procedures::Answer;

namespace {

// What the operator and the module do differently from a good module and a careful operator,
// and what the test must make of it.
struct Case {
    const char *name;
    bool operatorPresent;
    void (*fault)(FakeModule &);
    const char *outcome;
    const char *results;
    const char *failures = "";
    const char *relayFaults = ""; // the failed relays, with the fault the JSON gives: "3 stuck_on"
    int evidence = -1;            // the relays step's transaction the first failure points at
    Answer click = Answer::Yes;   // the answer to "Did relay 5 click?"
    bool skip = false;            // Skip digital input 4 and analog input 3
    int deadInput = 0;            // digital input that never reads on
    int stuckOnInput = 0;         // and one that never reads off
    int lowReading = 11;          // analog input 1 at its low end
    int skippedKnob = 0;          // analog input turned to 1000, then skipped
    bool broadcast = false;       // the All row by broadcast too
    // Input 2 switched when input 1 is asked for, then put back: the answer to
    // "Input 2 changed, input 1 expected"; Continue, no slip.
    Answer slip = Answer::Continue;
};

void sound(FakeModule &m)
{
    m.coils = {true, false, false, true, false, false, false, true}; // on before: no fault
}

const Case Cases[] = {
    {"pass", true, sound, "pass", "pass, pass, pass, pass"},
    {"pass without operator", false, sound, "pass", "pass, pass, not run, not run"},
    {"skipped inputs", true, sound, "pass", "pass, pass, skipped, skipped", "", "", -1, Answer::Yes,
     true},
    // Read back after the first switch-off, before any relay is switched on.
    {"relay 3 stuck on", false, [](FakeModule &m) { m.coils[2] = true, m.stuckRelay = 3; }, "fail",
     "pass, fail, not run, not run", "relay 3 stuck on", "3 stuck_on", 8},
    // Read back after relay 6 ON: 8 switch-offs, the read-back, then 4 transactions a relay.
    {"relay 6 stuck off", false, [](FakeModule &m) { m.stuckRelay = 6; }, "fail",
     "pass, fail, not run, not run", "relay 6 does not switch on", "6 stuck_off", 30},
    {"relay 2 inverted", false, [](FakeModule &m) { m.invertedRelay = 2; }, "fail",
     "pass, fail, not run, not run", "relay 2 reads inverted", "2 inverted", 8},
    {"no click", true, sound, "fail", "pass, fail, pass, pass", "relay 5: no click heard", "5", -1,
     Answer::No},
    {"dead and stuck inputs, low out of range", true, sound, "fail", "pass, pass, fail, fail",
     "input 2: never read on in 30 s; input 4: read on, never off again in 30 s; "
     "input 1 low: 87, outside 0 to 50",
     "", -1, Answer::Yes, false, 2, 4, 87},
    {"inputs 1 and 2 shorted", true,
     [](FakeModule &m) {
         m.shortedInputs = {1, 2};
     },
     "fail", "pass, pass, fail, pass", "inputs 1 and 2 change together"},
    {"analog 3 follows 1", true,
     [](FakeModule &m) {
         m.analogFollows = {1, 3};
     },
     "fail", "pass, pass, pass, fail",
     "inputs 1 and 3 change together; input 3 low: 1000, outside 0 to 50"},
    // Skip reads again: the next input is not judged against where the skipped knob was.
    {"knob turned, then skipped", true, sound, "pass", "pass, pass, pass, skipped", "", "", -1,
     Answer::Yes, false, 0, 0, 11, 2},
    {"skipped input follows another", true,
     [](FakeModule &m) {
         m.analogFollows = {3, 2};
     },
     "fail", "pass, pass, pass, fail", "inputs 2 and 3 change together", "", -1, Answer::Yes, false,
     0, 0, 11, 2},
    {"the All row by broadcast too", false, sound, "pass", "pass, pass, not run, not run", "", "",
     -1, Answer::Yes, false, 0, 0, 11, 0, true},
    {"a slip of the hand, retried", true, sound, "pass", "pass, pass, pass, pass", "", "", -1,
     Answer::Yes, false, 0, 0, 11, 0, false, Answer::Retry},
    {"a slip of the hand, accepted", true, sound, "fail", "pass, pass, fail, pass",
     "input 2 changed, input 1 expected", "", -1, Answer::Yes, false, 0, 0, 11, 0, false,
     Answer::Accept},
    {"no module", true, [](FakeModule &m) { m.silent = true; }, "error",
     "fail, not run, not run, not run",
     "read 1 (coils): No reply; read 2 (registers): No reply; read 3 (coils): No reply; "
     "no module: not one byte in reply to the first 3 reads"},
};

// The operator of the case at the module.
Answer operate(const Case &c, const Action &a, FakeModule &module)
{
    const auto asks = [&](const char *text) { return a.prompt.find(text) != std::string::npos; };
    const int item = a.prompt.empty() ? 0 : a.prompt[a.prompt.find_first_of("12345678")] - '0';
    if (a.kind == Action::Kind::Ask && asks("click"))
        return item == 5 ? c.click : Answer::Yes;
    if (c.skip && ((asks("digital") && item == 4) || (asks("analog") && item == 3)))
        return Answer::Skip;
    if (asks("analog") && item == c.skippedKnob) {
        module.registers[std::size_t(3 + item)] = 1000;
        return Answer::Skip;
    }
    if (asks("digital"))
        module.registers[std::size_t(6 + item)] =
            item == c.stuckOnInput || (asks(" on") && item != c.deadInput);
    else if (asks("low end"))
        module.registers[std::size_t(3 + item)] = std::uint16_t(item == 1 ? c.lowReading : 5);
    else if (asks("high end"))
        module.registers[std::size_t(3 + item)] = 1000;
    return Answer::Continue;
}

// What stops a run, at the first prompt or request meaning that holds `at`.
struct Stop {
    enum class How { None, Cancel, LosePort, LosePortForGood, Gateway } how = How::None;
    std::string at;
};

// Cancelled, or the port lost, there: the step that ends so.
struct StopCase {
    const char *name;
    Stop::How how;
    const char *at;
    procedures::StepId step;
    const char *allRow = ""; // the record's word for what went out
    bool broadcast = false;  // the All row by broadcast too
};

const StopCase Stops[] = {
    {"cancel, first read out", Stop::How::Cancel, "Read Coils", procedures::StepId::Link},
    {"cancel, relay 4 ON out", Stop::How::Cancel, "Write Single Coil 3 (relay 4) ON",
     procedures::StepId::Relays},
    // Out, unanswered as broadcasts are, when the cancel comes: every module on the line is on.
    {"cancel, all ON by broadcast out", Stop::How::Cancel, "to all", procedures::StepId::Relays,
     "module_and_broadcast", true},
    {"cancel, all OFF to the module out", Stop::How::Cancel,
     "Write Multiple Coils 0-7 (relays 1-8): OFF", procedures::StepId::Relays, "module", true},
    {"cancel, asking about relay 6", Stop::How::Cancel, "relay 6", procedures::StepId::Relays},
    {"cancel, watching input 2", Stop::How::Cancel, "input 2 on", procedures::StepId::Digital,
     "module"},
    {"port lost after relay 4 ON", Stop::How::LosePort, "Write Single Coil 3 (relay 4) ON",
     procedures::StepId::Relays},
    {"port gone for good after relay 4 ON", Stop::How::LosePortForGood,
     "Write Single Coil 3 (relay 4) ON", procedures::StepId::Relays},
    // From the read-back on, replies in Modbus TCP framing: the switch-off is still tried.
    {"Modbus TCP after relay 4 ON", Stop::How::Gateway, "Write Single Coil 3 (relay 4) ON",
     procedures::StepId::Relays},
};

struct LimitCase {
    const char *name;
    int lowMax, highMin, highMax;
    const char *problem;
};

const LimitCase LimitCases[] = {
    {"as they come", 50, 973, 1023, ""},
    {"crossed", 600, 500, 1023,
     "the low end's top (600) must lie below the high end's bottom (500), or one reading passes "
     "as both ends"},
    {"touching", 500, 500, 1023,
     "the low end's top (500) must lie below the high end's bottom (500), or one reading passes "
     "as both ends"},
    {"past full scale", 50, 973, 1024, "the high end's limits 973 to 1024 leave 0 to 1023"},
    {"backwards", 50, 1000, 990, "the high end's limits 1000 to 990 run backwards"},
};

// The driver loop. A cancel comes instead of the operator's answer, or while the request is
// out; a lost port takes the next request, which is never sent, and for good every later one.
void run(procedures::SelfTest &test, FakeLine &fake,
         const std::function<Answer(const Action &)> &person, const Stop &stop = {})
{
    using How = Stop::How;
    bool lost = false;
    const auto stopHere = [&](How how, const std::string &text) {
        return stop.how == how && text.find(stop.at) != std::string::npos;
    };
    for (int guard = 0; guard < 5000; ++guard) {
        const Action a = test.next();
        if (a.kind == Action::Kind::Finished)
            return;
        fake.now += a.kind == Action::Kind::Ask ? 1000ms : a.interval;
        if (a.kind != Action::Kind::Send && stopHere(How::Cancel, a.prompt)) {
            test.cancel();
            continue;
        }
        const Answer answer = a.kind == Action::Kind::Send ? Answer::Continue : person(a);
        if (a.kind == Action::Kind::Ask || answer == Answer::Skip) {
            test.answered(answer);
            continue;
        }
        if (std::exchange(lost, stop.how == How::LosePortForGood && lost)) {
            test.portLost();
            continue;
        }
        const line::Transaction t = fake.send(a.request, a.replyWait);
        if (stopHere(How::Cancel, line::meaning(t)))
            test.cancel();
        fake.gateway = fake.gateway || stopHere(How::Gateway, line::meaning(t));
        lost = lost || stopHere(How::LosePort, line::meaning(t)) ||
               stopHere(How::LosePortForGood, line::meaning(t));
        test.replied(t);
    }
    QFAIL("the self-test never finished");
}

std::string joined(const std::vector<std::string> &words, const char *separator)
{
    std::string text;
    for (const auto &w : words)
        text += (text.empty() ? "" : separator) + w;
    return text;
}

} // namespace

class SelfTestTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void wholeTest_data() { addCaseRows(Cases); }
    void wholeTest()
    {
        const Case &c = fetchCase(Cases);
        FakeLine fake(wall);
        c.fault(fake.module);
        procedures::SelfTest test(
            procedures::SelfTestSettings{1, c.operatorPresent, true, c.broadcast});
        bool slipped = false;
        std::vector<std::size_t> readsBeforeAsking; // asked at once: where they were, the slip
        run(test, fake, [&](const Action &a) {
            if (c.slip != Answer::Continue && a.prompt == "Switch digital input 1 on" &&
                !std::exchange(slipped, true)) {
                fake.module.registers[8] = 1;
                return Answer::Continue;
            }
            if (a.kind == Action::Kind::Ask && a.answers.size() == 2 &&
                a.answers[0] == Answer::Retry) {
                readsBeforeAsking.push_back(
                    test.report().step(procedures::StepId::Digital).traffic.size());
                fake.module.registers[8] = 0;
                return c.slip;
            }
            return operate(c, a, fake.module);
        });
        QCOMPARE(readsBeforeAsking,
                 slipped ? std::vector<std::size_t>{2} : std::vector<std::size_t>{});
        const procedures::SelfTestReport &r = test.report();
        std::vector<std::string> results, failures, faults;
        for (const auto &step : r.steps) {
            results.push_back(procedures::resultWord(step.result));
            for (const auto &f : step.failures)
                failures.push_back(f.reason);
        }
        for (int n = 1; n <= 8; ++n) {
            const auto fault = r.relays.faults[std::size_t(n - 1)];
            QVERIFY(!fault || r.relays.failed[std::size_t(n - 1)]);
            if (r.relays.failed[std::size_t(n - 1)])
                faults.push_back(
                    std::to_string(n) +
                    (fault ? std::string(" ") + procedures::relayFaultName(*fault) : ""));
        }
        QCOMPARE(std::string(procedures::outcomeWord(r.outcome)), std::string(c.outcome));
        if (c.skip) // named on the verdict line
            QCOMPARE(procedures::verdictLine(r),
                     "PASS (digital input 4 and analog input 3 not tested)");
        QCOMPARE(joined(results, ", "), std::string(c.results));
        QCOMPARE(joined(failures, "; "), std::string(c.failures));
        QCOMPARE(joined(faults, ", "), std::string(c.relayFaults));
        QVERIFY(!r.relays.allFailed);
        // The module's own address only, and the broadcast's when asked for: ON and OFF.
        int broadcasts = 0;
        for (const auto &step : r.steps)
            for (const line::Transaction &t : step.traffic) {
                QVERIFY(t.request()[0] == 1 || t.request()[0] == 0);
                broadcasts += t.request()[0] == 0;
            }
        QCOMPARE(broadcasts, c.broadcast ? 2 : 0);
        if (c.skippedKnob)
            QCOMPARE(r.analog[std::size_t(c.skippedKnob - 1)].result,
                     procedures::StepResult::Skipped);
        const auto &relays = r.step(procedures::StepId::Relays);
        if (c.evidence >= 0)
            QCOMPARE(relays.failures.front().transaction, std::optional<std::size_t>(c.evidence));
        for (int n = 1; n <= 8; ++n) // all off, but for one stuck on
            QCOMPARE(fake.module.coils[std::size_t(n - 1)],
                     n == 3 && c.evidence == 8 && fake.module.stuckRelay == 3);
        if (c.operatorPresent && !fake.module.silent)
            QCOMPARE(r.analog[0].low, std::optional<int>(c.lowReading));
    }

    // Cancelled, or the port lost: every relay is switched off before the end; but a port gone
    // for good takes the first switch-off too, and nothing more is tried.
    void cancelLeavesEveryRelayOff_data() { addCaseRows(Stops); }
    void cancelLeavesEveryRelayOff()
    {
        const StopCase &c = fetchCase(Stops);
        FakeLine fake(wall);
        procedures::SelfTest test(procedures::SelfTestSettings{1, true, true, c.broadcast});
        fake.module.coils = {true, false, false, false, false, true, false, true};
        run(test, fake, [](const Action &) { return Answer::Yes; }, {c.how, c.at});

        const procedures::SelfTestReport &r = test.report();
        const bool lost = c.how != Stop::How::Cancel;
        QCOMPARE(procedures::outcomeWord(r.outcome), lost ? "error" : "aborted");
        QCOMPARE(r.reason, c.how == Stop::How::Gateway ? line::ModbusTcpWords
                           : lost                      ? "the port was lost"
                                                       : "cancelled by the operator");
        QCOMPARE(r.step(procedures::StepId::Analog).result, procedures::StepResult::NotRun);
        const auto &s = r.step(c.step);
        QCOMPARE(procedures::resultWord(s.result), lost ? "error" : "cancelled");
        for (const procedures::Failure &f : s.failures) // a request never sent is no "No reply"
            QVERIFY2(f.reason.find("No reply") == std::string::npos, f.reason.c_str());
        if (c.how == Stop::How::LosePortForGood) {
            QCOMPARE(line::meaning(s.traffic.back()), c.at);
            return;
        }
        if (c.how == Stop::How::Gateway) { // tried, then ended by the same framing
            QCOMPARE(line::meaning(s.traffic.back()), "Write Single Coil 0 (relay 1) OFF");
            QVERIFY(!fake.module.coils[0]);
            return;
        }
        QCOMPARE(procedures::allRowWayName(r.relays.allRow), c.allRow);
        QCOMPARE(fake.module.coils, (std::array<bool, 8>{}));
        // Addressed, so each is answered; then by broadcast for the modules it switched on.
        const bool broadcastOn = std::string(c.at) == "to all";
        const std::size_t last = s.traffic.size() - (broadcastOn ? 2 : 1);
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(line::meaning(s.traffic[last - 8 + std::size_t(n)]),
                     "Write Single Coil " + std::to_string(n - 1) + " (relay " + std::to_string(n) +
                         ") OFF");
        if (broadcastOn)
            QCOMPARE(line::meaning(s.traffic.back()),
                     std::string("Write Multiple Coils 0-7 (relays 1-8) to all: OFF"));
    }

    void limitsAreCheckedBeforeStart_data() { addCaseRows(LimitCases); }
    void limitsAreCheckedBeforeStart()
    {
        const LimitCase &c = fetchCase(LimitCases);
        procedures::SelfTestSettings settings;
        settings.low.max = c.lowMax;
        settings.high = {c.highMin, c.highMax};
        QCOMPARE(procedures::limitsProblem(settings).value_or(""), c.problem);
        procedures::SelfTest test(settings); // and the sequencer will not start with them either
        QCOMPARE(test.next().kind == Action::Kind::Finished, *c.problem != 0);
        if (*c.problem)
            QCOMPARE(test.report().reason, c.problem);
    }

    void reports()
    {
        FakeLine fake(wall);
        fake.module.stuckRelay = 2;
        fake.module.shortedInputs = {1, 2};
        procedures::SelfTest test(procedures::SelfTestSettings{});
        run(test, fake, [&](const Action &a) { return operate(Cases[0], a, fake.module); });
        const std::string name = "O'Neil \"Jo\" \\ <b>\n\t\x01 \xC3\x9Cnal";
        const records::ReportHeader header{"RZM-530 Tester 1.00.0017", name, "SN 12/34", 3,
                                           "/dev/ttyUSB0"};
        const std::string json =
            records::reportJson(test.report(), header, fake.monitor.wallClock());
        QJsonParseError error;
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray::fromStdString(json), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(o.keys(),
                 QStringList({"finished", "fixture", "module", "operator", "outcome", "port",
                              "reason", "started", "steps", "tester", "untested", "verdict"}));
        QCOMPARE(o["operator"].toString().toStdString(), name);
        QVERIFY(o["reason"].isNull() && o["port"]["com"].toInt() == 3);
        QCOMPARE(QStringList({o["verdict"].toString(), o["outcome"].toString(),
                              o["started"].toString(), o["module"]["serial_number"].toString()}),
                 QStringList({"fail", "fail", "2026-12-07T14:03:21+00:00", "SN 12/34"}));
        const QJsonArray steps = o["steps"].toArray();
        QCOMPARE(steps.size(), 4);
        QCOMPARE(steps[0].toObject().keys(), QStringList({"failures", "finished", "name", "result",
                                                          "started", "summary", "values"}));
        QCOMPARE(steps[0].toObject()["values"].toObject()["good"].toInt(), 20);
        const auto compact = [&](int step) {
            return QJsonDocument(steps[step]["values"].toObject()).toJson(QJsonDocument::Compact);
        };
        QCOMPARE(steps[1]["name"].toString(), "relays");
        QCOMPARE(compact(1), R"({"all_failed":false,"all_row":"module","failed":[2],"faults":[)"
                             R"({"fault":"stuck_off","relay":2}]})");
        QVERIFY(steps[1]["traffic"].toArray().size() > 40);
        QVERIFY2(compact(2).contains(R"("crossed":[[1,2]])"), compact(2).constData());
        QVERIFY2(compact(3).contains(R"("crossed":[])"), compact(3).constData());

        // One wording: the dialog and the console show stepSummary, and so do both reports.
        const std::string html =
            records::reportHtml(test.report(), header, fake.monitor.wallClock());
        for (int i = 0; i < 4; ++i) {
            const std::string summary =
                procedures::stepSummary(test.report(), procedures::StepId(i));
            QCOMPARE(steps[i].toObject()["summary"].toString().toStdString(), summary);
            QVERIFY2(html.find(records::htmlEscaped(summary)) != std::string::npos,
                     summary.c_str());
        }
        QCOMPARE(procedures::stepSummary(test.report(), procedures::StepId::Relays),
                 std::string("relay 2 does not switch on; the All row to the module only"));
        QCOMPARE(procedures::stepSummary(test.report(), procedures::StepId::Digital),
                 std::string("1: fail, 2: fail, 3: pass and 4: pass; inputs 1 and 2 change "
                             "together"));
        QVERIFY(html.find("O&#39;Neil &quot;Jo&quot; \\ &lt;b&gt;") != std::string::npos);
        QVERIFY(html.find(">FAIL<") != std::string::npos);
        QVERIFY(html.find("<td>Write Single Coil 1 (relay 2) ON</td>") != std::string::npos);
        QCOMPARE(records::reportFileName(".:", wall(T0), "json"),
                 std::string("___2026-12-07_14-03-21.json"));
    }
};

QTEST_APPLESS_MAIN(SelfTestTest)
#include "tst_self_test.moc"
