// A station's slots side by side in one event loop, each on a simulated module of its own.
#include "FileText.h"
#include "FixtureVectors.h"
#include "SimProcess.h"
#include "SlotRun.h"
#include "StepSummary.h"

#include <QtTest>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace {

// A slot as the test watches it: every progress it told, and how often it finished.
struct Watched {
    std::unique_ptr<SlotRun> run;
    std::vector<double> progress;
    int finished = 0;
};

std::unique_ptr<Watched> watch(const QString &port, const line::SelfTestSettings &settings)
{
    auto w = std::make_unique<Watched>();
    w->run = std::make_unique<SlotRun>(port, settings);
    SlotRun *run = w->run.get();
    Watched *seen = w.get();
    QObject::connect(run, &SlotRun::progressed, run,
                     [seen, run] { seen->progress.push_back(run->progress()); });
    QObject::connect(run, &SlotRun::finished, run, [seen] { ++seen->finished; });
    return w;
}

QString outcome(const SlotRun &run)
{
    return QString::fromStdString(line::verdictWord(run.report().outcome) + ": " +
                                  line::slotFindings(run.report()));
}

} // namespace

class SlotRunTest : public QObject {
    Q_OBJECT
private slots:
    // A module with a dead input on a COM port and a sound one behind a server: each ends on its
    // own, the two tests at the same time, every relay off. (A port that is not there ends its
    // slot as ERROR: the station's window and console suites show it.)
    void slotsRunSideBySide()
    {
        QTemporaryDir dir;
        const QString fixture = dir.filePath("fixture.ini");
        QVERIFY(writeFile(fixture, ExampleFixture));
        SimProcess served({"--tcp", "0", "--fixture", fixture, "--relays", "10000001"});
        QVERIFY(served.ready());
        // Made last: its line's folder is the one COM numbers name.
        SimProcess wired({"--fixture", fixture, "--dead-input", "2"});
        QVERIFY(wired.ready());
        line::SelfTestSettings settings;
        settings.operatorPresent = false;
        settings.fixture = line::readFixtureFile(fixture.toStdString()).fixture;

        std::vector<std::unique_ptr<Watched>> runs;
        for (const QString &port : {QStringLiteral("1"), served.tcpAddress()})
            runs.push_back(watch(port, settings));
        for (const auto &w : runs) {
            QVERIFY(!w->run->running());
            w->run->start();
            QVERIFY(w->run->running());
        }
        const auto allEnded = [&] {
            return std::none_of(runs.begin(), runs.end(),
                                [](const auto &w) { return w->run->running(); });
        };
        QVERIFY(QTest::qWaitFor(allEnded, 20000));

        QCOMPARE(runs[0]->run->portName(), "COM 1");
        QCOMPARE(runs[1]->run->portName(), served.tcpAddress());
        QCOMPARE(outcome(*runs[0]->run),
                 "FAIL: input 2 does not follow relay 2 (relay 2's contact or input 2)");
        QCOMPARE(outcome(*runs[1]->run), "PASS: ");
        QCOMPARE(runs[0]->run->devicePath(), wired.dir.filePath("COM1"));
        for (const auto &w : runs) {
            QCOMPARE(w->finished, 1);
            QVERIFY(std::is_sorted(w->progress.begin(), w->progress.end()));
            QCOMPARE(w->progress.back(), 1.0);
        }
        // Finer than a step at a time: the link's twenty reads alone move it.
        QVERIFY(std::set<double>(runs[0]->progress.begin(), runs[0]->progress.end()).size() > 20);
        const line::SelfTestReport &a = runs[0]->run->report(), &b = runs[1]->run->report();
        QVERIFY(a.started() < b.finished() && b.started() < a.finished());
        for (SimProcess *sim : {&served, &wired}) {
            QVERIFY(sim->catchUp());
            QVERIFY(sim->command("relays", "relays 00000000"));
        }
    }

    // Cancelled while its server is still connecting: nothing was sent, and it ends ABORTED
    // with the reason given, once; cancelling again, or after the end, changes nothing.
    void cancelledWhileOpening()
    {
        SimProcess served({"--tcp", "0"});
        QVERIFY(served.ready());
        const auto w = watch(served.tcpAddress(), {});
        w->run->start();
        w->run->cancel("the window was closed");
        w->run->cancel("again");
        QTRY_COMPARE(w->finished, 1);
        QVERIFY(!w->run->running());
        QCOMPARE(outcome(*w->run), "ABORTED: the window was closed");
        w->run->cancel("after the end");
        w->run->start();
        QVERIFY(!w->run->running());
        QCOMPARE(w->finished, 1);
        QVERIFY(served.command("carried", "carried 0 requests 0 bytes, 0 replies 0 bytes"));
    }
};

QTEST_MAIN(SlotRunTest)
#include "tst_slot_run.moc"
