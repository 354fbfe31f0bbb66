// The self-test driven to its end over a fake line: the master's builders, a fake module and
// the real line monitor, so every verdict the sequencer judges is a real one.
#include "FakeLine.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "SelfTest.h"
#include "Words.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <ctime>

using namespace std::chrono_literals;
using line::Action;
using line::Answer;

namespace QTest {
template <> char *toString(const std::string &text)
{
    return qstrdup(text.c_str());
}
} // namespace QTest

namespace {

const line::Time T0 = line::Time() + 1h;

// T0 is 2026-12-07 14:03:21 UTC.
line::WallTime wall(line::Time t)
{
    return line::WallTime(1796652201s + (t - T0));
}

// What the operator and the module do differently from a good module and a careful operator.
struct Case {
    const char *name;
    bool operatorPresent;
    int stuckRelay;
    bool silent;
    int deadInput;    // digital input that never reads on
    int stuckOnInput; // and one that never reads off
    int lowReading;   // analog input 1 at its low end
    Answer click;     // the answer to "Did relay 5 click?"
    bool skip;        // Skip digital input 4 and analog input 3
    const char *verdict;
    const char *results;
    const char *failures;
    int reads;
};

const Case Cases[] = {
    {"pass", true, 0, false, 0, 0, 11, Answer::Yes, false, "pass", "pass, pass, pass, pass", "",
     20},
    {"pass without operator", false, 0, false, 0, 0, 11, Answer::Yes, false, "pass",
     "pass, pass, not run, not run", "", 20},
    {"skipped inputs", true, 0, false, 0, 0, 11, Answer::Yes, true, "pass",
     "pass, pass, skipped, skipped", "", 20},
    {"stuck relay 3", false, 3, false, 0, 0, 11, Answer::Yes, false, "fail",
     "pass, fail, not run, not run",
     "relay 3: coils read 0x00 after ON, expected 0x04; all: coils read 0xFB after ON, "
     "expected 0xFF",
     20},
    {"no click", true, 0, false, 0, 0, 11, Answer::No, false, "fail", "pass, fail, pass, pass",
     "relay 5: no click heard", 20},
    {"dead and stuck inputs, low out of range", true, 0, false, 2, 4, 87, Answer::Yes, false,
     "fail", "pass, pass, fail, fail",
     "input 2: never read on in 30 s; input 4: read on, never off again in 30 s; "
     "input 1 low: 87, outside 0 to 50",
     20},
    {"no module", true, 0, true, 0, 0, 11, Answer::Yes, false, "no module",
     "fail, not run, not run, not run",
     "read 1 (coils): No reply; read 2 (registers): No reply; read 3 (coils): No reply; "
     "no module: not one byte in reply to the first 3 reads",
     3},
};

line::SelfTestSettings settingsOf(const Case &c)
{
    line::SelfTestSettings s;
    s.operatorPresent = c.operatorPresent;
    s.confirmByEar = true;
    return s;
}

// The operator of the case at the module.
Answer operate(const Case &c, const Action &a, FakeModule &module)
{
    const auto asks = [&](const char *text) { return a.prompt.find(text) != std::string::npos; };
    const int item = a.prompt.empty() ? 0 : a.prompt[a.prompt.find_first_of("12345678")] - '0';
    if (a.kind == Action::Kind::Ask && asks("click"))
        return item == 5 ? c.click : Answer::Yes;
    if (c.skip && ((asks("digital") && item == 4) || (asks("analog") && item == 3)))
        return Answer::Skip;
    if (asks("digital"))
        module.registers[std::size_t(6 + item)] =
            item == c.stuckOnInput || (asks(" on") && item != c.deadInput);
    else if (asks("low end"))
        module.registers[std::size_t(3 + item)] = std::uint16_t(item == 1 ? c.lowReading : 5);
    else if (asks("high end"))
        module.registers[std::size_t(3 + item)] = 1000;
    return Answer::Continue;
}

// The driver loop. Cancels at the first prompt or request meaning that holds `cancelAt`: the
// operator does instead of answering, or while the request is out.
void run(line::SelfTest &test, FakeLine &fake, const std::function<Answer(const Action &)> &person,
         const std::string &cancelAt = {})
{
    const auto cancelHere = [&](const std::string &text) {
        return !cancelAt.empty() && text.find(cancelAt) != std::string::npos;
    };
    for (int guard = 0; guard < 5000; ++guard) {
        const Action a = test.next();
        if (a.kind == Action::Kind::Finished)
            return;
        fake.now += a.kind == Action::Kind::Ask ? 1000ms : a.interval;
        if (a.kind != Action::Kind::Send && cancelHere(a.prompt)) {
            test.cancel();
            continue;
        }
        const Answer answer = a.kind == Action::Kind::Send ? Answer::Continue : person(a);
        if (a.kind == Action::Kind::Ask || answer == Answer::Skip) {
            test.answered(answer);
            continue;
        }
        const line::Transaction t = fake.send(a.request, a.replyWait);
        if (cancelHere(line::meaning(t)))
            test.cancel();
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

    void wholeTest_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(Cases)); ++i)
            QTest::newRow(Cases[i].name) << i;
    }

    void wholeTest()
    {
        QFETCH(int, index);
        const Case &c = Cases[index];
        FakeLine fake(wall);
        fake.module.stuckRelay = c.stuckRelay;
        fake.module.silent = c.silent;
        line::SelfTest test(settingsOf(c));
        run(test, fake, [&](const Action &a) { return operate(c, a, fake.module); });

        const line::SelfTestReport &r = test.report();
        std::vector<std::string> results, failures;
        for (const auto &step : r.steps) {
            results.push_back(line::resultWord(step.result));
            for (const auto &f : step.failures)
                failures.push_back(f.reason);
        }
        QVERIFY(test.finished());
        QCOMPARE(std::string(line::overallWord(r.verdict)), std::string(c.verdict));
        QCOMPARE(joined(results, ", "), std::string(c.results));
        QCOMPARE(joined(failures, "; "), std::string(c.failures));
        QCOMPARE(r.link.reads, c.reads);
        QCOMPARE(r.relays.failed[2], c.stuckRelay == 3);
        QVERIFY(std::none_of(fake.module.coils.begin(), fake.module.coils.end(),
                             [](bool on) { return on; }));
        if (c.operatorPresent && !c.silent)
            QCOMPARE(r.analog[0].low, std::optional<int>(c.lowReading));
    }

    void cancelLeavesEveryRelayOff_data()
    {
        QTest::addColumn<QString>("at");
        QTest::addColumn<int>("step");
        QTest::newRow("first read out") << "Read Coils" << int(line::StepId::Link);
        QTest::newRow("relay 4 ON out") << "Write Single Coil 3 ON" << int(line::StepId::Relays);
        QTest::newRow("asking about relay 6") << "relay 6" << int(line::StepId::Relays);
        QTest::newRow("watching input 2") << "input 2 on" << int(line::StepId::Digital);
    }

    void cancelLeavesEveryRelayOff()
    {
        QFETCH(QString, at);
        QFETCH(int, step);
        FakeLine fake(wall);
        line::SelfTestSettings settings;
        settings.confirmByEar = true;
        line::SelfTest test(settings);
        fake.module.coils = {true, false, false, false, false, true, false, true};
        run(
            test, fake, [](const Action &) { return Answer::Yes; }, at.toStdString());

        const line::SelfTestReport &r = test.report();
        QCOMPARE(r.verdict, line::Overall::Cancelled);
        QCOMPARE(fake.module.coils, (std::array<bool, 8>{}));
        const auto &traffic = r.steps[std::size_t(step)].traffic;
        QCOMPARE(r.steps[std::size_t(step)].result, line::StepResult::Cancelled);
        QVERIFY(traffic.size() >= 8);
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(line::meaning(traffic[traffic.size() - 9 + std::size_t(n)]),
                     "Write Single Coil " + std::to_string(n - 1) + " OFF");
        QCOMPARE(r.step(line::StepId::Analog).result, line::StepResult::NotRun);
    }

    void reports()
    {
        FakeLine fake(wall);
        fake.module.stuckRelay = 2;
        line::SelfTest test(line::SelfTestSettings{1, false});
        run(test, fake, [](const Action &) { return Answer::Yes; });
        const std::string name = "O'Neil \"Jo\" \\ <b>\n\t\x01 \xC3\x9Cnal";
        const line::ReportHeader header{"RZM-530 Tester 1.00.0017", name, "SN 12/34", 3,
                                        "/dev/ttyUSB0"};

        const std::string json = line::reportJson(test.report(), header, fake.monitor.wallClock());
        QJsonParseError error;
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray::fromStdString(json), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(o.keys(), QStringList({"finished", "module", "operator", "port", "started",
                                        "steps", "tester", "verdict"}));
        QCOMPARE(o["operator"].toString().toStdString(), name);
        QCOMPARE(o["verdict"].toString(), "fail");
        QCOMPARE(o["started"].toString(), "2026-12-07T14:03:21+00:00");
        QCOMPARE(o["module"].toObject()["serial_number"].toString(), "SN 12/34");
        QCOMPARE(o["port"].toObject()["com"].toInt(), 3);
        const QJsonArray steps = o["steps"].toArray();
        QCOMPARE(steps.size(), 4);
        QCOMPARE(steps[0].toObject().keys(),
                 QStringList({"failures", "finished", "name", "result", "started", "values"}));
        QCOMPARE(steps[0].toObject()["values"].toObject()["good"].toInt(), 20);
        const QJsonObject relays = steps[1].toObject();
        QCOMPARE(relays["name"].toString(), "relays");
        QCOMPARE(relays["values"].toObject()["failed"].toArray(), QJsonArray({2}));
        QVERIFY(relays["traffic"].toArray().size() > 40);
        QCOMPARE(steps[3].toObject()["result"].toString(), "not run");

        const std::string html = line::reportHtml(test.report(), header, fake.monitor.wallClock());
        QVERIFY(html.find("O&#39;Neil &quot;Jo&quot; \\ &lt;b&gt;") != std::string::npos);
        QVERIFY(html.find(">FAIL<") != std::string::npos);
        QVERIFY(html.find("<td>Write Single Coil 1 ON</td>") != std::string::npos);
        QCOMPARE(line::reportFileName(header.serialNumber, wall(T0), "html"),
                 std::string("SN_12_34_2026-12-07_14-03-21.html"));
        QCOMPARE(line::reportFileName(".:", wall(T0), "json"),
                 std::string("___2026-12-07_14-03-21.json"));
    }
};

QTEST_APPLESS_MAIN(SelfTestTest)
#include "tst_self_test.moc"
