#include "SelfTestCommand.h"

#include "ConsoleMain.h"
#include "LineSession.h"
#include "OpenPort.h"
#include "PortComm.h"
#include "ReportFiles.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "SelfTestRunner.h"
#include "StepSummary.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr int Passed = 0, Failed = 1, NotTested = 2;

bool writeFile(const QString &path, const std::string &text, QTextStream &err)
{
    const QString problem = writeReportFile(path, text);
    if (problem.isEmpty())
        return true;
    err << programPrefix() << "cannot write " << path << ": " << problem << Qt::endl;
    return false;
}

} // namespace

int runSelfTest(const CommandLine::SelfTest &options)
{
    QTextStream out(stdout), err(stderr);
    PortComm comm;
    LineSession session(comm);
    if (!openPortAndWait(session, options.portText)) {
        err << programPrefix()
            << QStringLiteral("cannot open %1 (%2): %3")
                   .arg(options.port ? QStringLiteral("COM %1").arg(options.port)
                                     : QStringLiteral("the server"))
                   .arg(comm.devicePath(), comm.errorString())
            << Qt::endl;
        return NotTested;
    }
    line::SelfTestSettings settings;
    settings.address = std::uint8_t(options.address);
    settings.operatorPresent = false;
    SelfTestRunner test(session, settings);

    // Each step is printed once it is over: when the next one has begun, or at the end.
    std::size_t printed = 0;
    const auto printFinishedSteps = [&](bool all) {
        const line::SelfTestReport &report = test.test().report();
        const auto running = std::size_t(test.test().currentStep());
        for (; printed < line::StepCount && (all || printed < running); ++printed) {
            const auto id = line::StepId(printed);
            const std::string summary = line::stepSummary(report, id);
            out << line::stepTitle(id) << ": " << line::resultWord(report.step(id).result)
                << (summary.empty() ? "" : ", ") << QString::fromStdString(summary) << Qt::endl;
            for (const line::Failure &failure : report.step(id).failures)
                out << "  " << QString::fromStdString(failure.reason) << Qt::endl;
        }
    };
    QObject::connect(&test, &SelfTestRunner::progressed, [&] { printFinishedSteps(false); });
    QObject::connect(&test, &SelfTestRunner::finished, [&] {
        printFinishedSteps(true);
        QCoreApplication::quit();
    });
    test.start();
    QCoreApplication::exec();

    const line::SelfTestReport &report = test.test().report();
    const line::ReportHeader header =
        reportHeader(options.operatorName, options.serial, options.port, comm.devicePath());
    const line::WallClock &wallClock = session.tap().monitor().wallClock();
    bool written = true;
    if (!options.jsonReport.isEmpty())
        written &= writeFile(options.jsonReport, line::reportJson(report, header, wallClock), err);
    if (!options.htmlReport.isEmpty())
        written &= writeFile(options.htmlReport, line::reportHtml(report, header, wallClock), err);

    out << QString::fromLatin1(line::overallWord(report.verdict)).toUpper()
        << (written ? "" : ", but a report could not be written") << Qt::endl;
    switch (report.verdict) {
    case line::Overall::Pass:
        return written ? Passed : Failed; // a pass without its record is no pass
    case line::Overall::NoModule:
        return NotTested;
    default:
        return Failed;
    }
}
