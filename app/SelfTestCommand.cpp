#include "SelfTestCommand.h"

#include "ExitStatus.h"
#include "KeptRun.h"
#include "LineSession.h"
#include "OpenPort.h"
#include "PortComm.h"
#include "ProgramName.h"
#include "QuitOnSignal.h"
#include "ReportFiles.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "SelfTestRunner.h"
#include "SignalStop.h"
#include "StepSummary.h"

#include <QCoreApplication>
#include <QTextStream>

#include <string>
#include <utility>
#include <vector>

namespace {

QString printedVerdict(const procedures::SelfTestReport &report)
{
    return QString::fromStdString(procedures::verdictLine(report));
}

} // namespace

int runSelfTest(const CommandLine::SelfTest &options)
{
    QTextStream out(stdout), err(stderr);
    // The reports asked for, each with what writes it; a run that could keep no record of
    // itself must not touch the module.
    using Writer = std::string (*)(const procedures::SelfTestReport &,
                                   const records::ReportHeader &, const line::WallClock &);
    std::vector<std::pair<QString, Writer>> reports;
    if (!options.jsonReport.isEmpty())
        reports.emplace_back(options.jsonReport, &records::reportJson);
    if (!options.htmlReport.isEmpty())
        reports.emplace_back(options.htmlReport, &records::reportHtml);
    // A run that ends before it reaches the line is kept as well, as an ERROR.
    const auto endUnrun = [&](const std::string &reason, const QString &devicePath) {
        const procedures::SelfTestReport unrun = procedures::unrunReport(
            std::uint8_t(options.address), procedures::Outcome::Error, reason);
        out << printedVerdict(unrun) << Qt::endl;
        const line::ClockReading now = line::readClocks();
        QuitOnSignal interrupt(false); // ends the wait for the history server
        return keepRun(options, unrun,
                       reportHeader(options.operatorName, options.serial, options.port, devicePath),
                       line::runWallClock(now, now), interrupt)
            .value_or(exitStatus::Error);
    };
    for (const auto &[path, write] : reports)
        if (const QString problem = reportPathProblem(path); !problem.isEmpty()) {
            err << programPrefix() << "cannot write " << path << ": " << problem << Qt::endl;
            return endUnrun("the report cannot be written", QString());
        }
    procedures::SelfTestSettings settings;
    if (!options.fixture.isEmpty()) { // read before the port is opened: a typo sends nothing
        procedures::ParsedFixture parsed =
            procedures::readFixtureFile(options.fixture.toStdString());
        if (!parsed.fixture) {
            err << programPrefix() << QString::fromStdString(parsed.refusal.text()) << Qt::endl;
            return endUnrun("the fixture file is refused", QString());
        }
        settings.fixture = std::move(parsed.fixture);
    }

    PortComm comm;
    LineSession session(comm);
    if (!openPortAndWait(session, options.portText)) {
        err << programPrefix()
            << QStringLiteral("cannot open %1 (%2): %3")
                   .arg(options.port ? QStringLiteral("COM %1").arg(options.port)
                                     : QStringLiteral("the server"))
                   .arg(comm.devicePath(), comm.errorString())
            << Qt::endl;
        return endUnrun("the port cannot be opened", comm.devicePath());
    }
    settings.address = std::uint8_t(options.address);
    settings.operatorPresent = false;
    settings.broadcastAll = options.broadcastAll;
    SelfTestRunner test(session, settings);
    // One more signal while the run goes to the history server ends that wait.
    QuitOnSignal interrupt(false);
    cancelOnSignals(interrupt, [&](const std::string &reason) { test.cancel(reason); });

    // Each step is printed once it is over: when the next one has begun, or at the end.
    std::size_t printed = 0;
    const auto printFinishedSteps = [&](bool all) {
        const procedures::SelfTestReport &report = test.test().report();
        const auto running = std::size_t(test.test().currentStep());
        for (; printed < procedures::StepCount && (all || printed < running); ++printed) {
            const auto id = procedures::StepId(printed);
            const std::string summary = procedures::stepSummary(report, id);
            out << procedures::stepTitle(id) << ": "
                << procedures::resultWord(report.step(id).result) << (summary.empty() ? "" : ", ")
                << QString::fromStdString(summary) << Qt::endl;
            for (const procedures::Failure &failure : report.step(id).failures)
                out << "  " << QString::fromStdString(failure.reason) << Qt::endl;
        }
    };
    QObject::connect(&test, &SelfTestRunner::progressed, [&] { printFinishedSteps(false); });
    QObject::connect(&test, &SelfTestRunner::finished, [&] {
        printFinishedSteps(true);
        QCoreApplication::quit();
    });
    test.start();
    const records::ReportHeader header =
        reportHeader(options.operatorName, options.serial, options.port, comm.devicePath());
    if (const int code = QCoreApplication::exec(); code == exitStatus::Interrupted) {
        const procedures::SelfTestReport report = stoppedAtOnce(test.test().report());
        out << printedVerdict(report) << Qt::endl;
        return keepRun(options, report, header, test.wallClock(), interrupt).value_or(code);
    }

    const procedures::SelfTestReport &report = test.test().report();
    const line::WallClock wallClock = test.wallClock();
    bool written = true;
    for (const auto &[path, write] : reports)
        if (const QString problem = writeReportFile(path, write(report, header, wallClock));
            !problem.isEmpty()) {
            err << programPrefix() << "cannot write " << path << ": " << problem << Qt::endl;
            written = false;
        }

    out << printedVerdict(report) << Qt::endl;
    const std::optional<int> notKept = keepRun(options, report, header, wallClock, interrupt);
    if (!written) { // a result without its record judges nothing
        out << QString::fromStdString(procedures::verdictLine(procedures::Outcome::Error,
                                                              "the report could not be written"))
            << Qt::endl;
        return notKept.value_or(exitStatus::Error);
    }
    return notKept.value_or(exitStatus::of(report.outcome));
}
