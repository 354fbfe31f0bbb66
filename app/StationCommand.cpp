#include "StationCommand.h"

#include "ExitStatus.h"
#include "KeptRun.h"
#include "ProgramName.h"
#include "QuitOnSignal.h"
#include "ReportFiles.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "SignalStop.h"
#include "SlotRun.h"
#include "StepSummary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Slot = CommandLine::SelfTest::Slot;
using Writer = std::string (*)(const procedures::SelfTestReport &, const records::ReportHeader &,
                               const line::WallClock &);

// A folder of reports, with what writes them and their extension.
struct ReportFolder {
    QString path;
    Writer write;
    const char *extension;
};

// "COM 3  G-3  FAIL  input 2 does not follow relay 2 (relay 2's contact or input 2)".
QString slotLine(const SlotRun &run, const Slot &slot, const procedures::SelfTestReport &report)
{
    QString text = run.portName() + QStringLiteral("  ") + slot.serial + QStringLiteral("  ") +
                   QString::fromStdString(procedures::verdictWord(report.outcome));
    if (const std::string found = procedures::slotFindings(report); !found.empty())
        text += QStringLiteral("  ") + QString::fromStdString(found);
    return text;
}

// Why reports cannot be written into `folder`, made first if need be; empty when they can.
QString folderProblem(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder cannot be made");
    return reportPathProblem(QDir(folder).filePath(QStringLiteral("rzm530-probe")));
}

// One slot's reports, each in its folder under a name of its own, beside its other report when
// both go to one folder, never over an earlier one. False when one could not be written.
bool writeReports(const std::vector<ReportFolder> &folders, const Slot &slot,
                  const procedures::SelfTestReport &report, const records::ReportHeader &header,
                  const line::WallClock &wallClock)
{
    const line::WallTime when =
        report.started() ? wallClock(*report.started()) : line::readClocks().wall;
    const QString stem =
        QString::fromStdString(records::reportFileStem(slot.serial.toStdString(), when));
    // Named before any is written, so that its files in one folder share their name.
    QStringList paths;
    for (const ReportFolder &folder : folders)
        paths << unusedReportPath(folder.path, stem,
                                  {QStringLiteral("json"), QStringLiteral("html")}) +
                     QLatin1Char('.') + QLatin1String(folder.extension);
    bool written = true;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const QString &path = paths[qsizetype(i)];
        if (const QString problem =
                writeReportFile(path, folders[i].write(report, header, wallClock));
            !problem.isEmpty()) {
            QTextStream(stderr) << programPrefix() << "cannot write " << path << ": " << problem
                                << Qt::endl;
            written = false;
        }
    }
    return written;
}

} // namespace

int runStation(const CommandLine::SelfTest &options)
{
    QTextStream out(stdout), err(stderr);
    QElapsedTimer took;
    took.start();
    procedures::SelfTestSettings settings;
    settings.address = std::uint8_t(options.address);
    settings.operatorPresent = false;
    settings.broadcastAll = options.broadcastAll;

    // Whatever would keep a run from its record, or a fixture file refused, ends every slot
    // before its port is opened.
    std::vector<ReportFolder> folders;
    if (!options.jsonReport.isEmpty())
        folders.push_back({options.jsonReport, &records::reportJson, "json"});
    if (!options.htmlReport.isEmpty())
        folders.push_back({options.htmlReport, &records::reportHtml, "html"});
    std::string unrunReason;
    for (const ReportFolder &folder : folders)
        if (const QString problem = folderProblem(folder.path); !problem.isEmpty()) {
            err << programPrefix() << "cannot write into " << folder.path << ": " << problem
                << Qt::endl;
            unrunReason = "the report cannot be written";
        }
    if (!options.fixture.isEmpty() && unrunReason.empty()) {
        procedures::ParsedFixture parsed =
            procedures::readFixtureFile(options.fixture.toStdString());
        if (parsed.fixture) {
            settings.fixture = std::move(parsed.fixture);
        } else {
            err << programPrefix() << QString::fromStdString(parsed.refusal.text()) << Qt::endl;
            unrunReason = "the fixture file is refused";
        }
    }

    std::vector<std::unique_ptr<SlotRun>> runs;
    for (const Slot &slot : options.stationSlots)
        runs.push_back(std::make_unique<SlotRun>(slot.portText, settings));
    KeptRuns keeping(options);
    int code = exitStatus::Done;
    std::array<int, procedures::Outcomes.size()> counted{};
    // Each slot as it ends: its reports, its line, its run kept.
    const auto ended = [&](std::size_t i, const procedures::SelfTestReport &report,
                           const line::WallClock &wallClock, bool withReports) {
        const Slot &slot = options.stationSlots[i];
        const records::ReportHeader header =
            reportHeader(options.operatorName, slot.serial, slot.port, runs[i]->devicePath());
        const bool written = !withReports || writeReports(folders, slot, report, header, wallClock);
        out << slotLine(*runs[i], slot, report) << Qt::endl;
        keeping.keep(report, header, wallClock, runs[i]->portName());
        ++counted[std::size_t(report.outcome)];
        // A result without its record judges nothing.
        code = std::max({code, exitStatus::of(report.outcome),
                         written ? int(exitStatus::Done) : int(exitStatus::Error)});
    };

    // Out here, as the history server's wait below still hears signals.
    QuitOnSignal interrupt(false);
    std::vector<bool> done(runs.size(), false);
    if (!unrunReason.empty()) {
        const line::ClockReading now = line::readClocks();
        for (std::size_t i = 0; i < runs.size(); ++i)
            ended(
                i,
                procedures::unrunReport(settings.address, procedures::Outcome::Error, unrunReason),
                line::runWallClock(now, now), false);
    } else {
        cancelOnSignals(interrupt, [&](const std::string &reason) {
            for (const auto &run : runs)
                run->cancel(reason);
        });
        for (std::size_t i = 0; i < runs.size(); ++i) {
            SlotRun &run = *runs[i];
            QObject::connect(&run, &SlotRun::finished, [&, i] {
                done[i] = true;
                ended(i, runs[i]->report(), runs[i]->wallClock(), true);
                if (std::all_of(done.begin(), done.end(), [](bool d) { return d; }))
                    QCoreApplication::quit();
            });
        }
        for (const auto &run : runs)
            run->start();
        if (QCoreApplication::exec() == exitStatus::Interrupted)
            for (std::size_t i = 0; i < runs.size(); ++i)
                if (!done[i])
                    ended(i, stoppedAtOnce(runs[i]->report()), runs[i]->wallClock(), false);
        // Slots stopped at once go on switching off while the runs go to the server; what they
        // end with is no longer news.
        for (const auto &run : runs)
            run->disconnect();
    }

    QStringList counts;
    for (const procedures::Outcome outcome : procedures::Outcomes)
        counts << QStringLiteral("%1 %2")
                      .arg(counted[std::size_t(outcome)])
                      .arg(QString::fromStdString(procedures::verdictWord(outcome)));
    out << QStringLiteral("%1 modules in %2 s: %3")
               .arg(runs.size())
               .arg(double(took.elapsed()) / 1000.0, 0, 'f', 1)
               .arg(counts.join(QStringLiteral(", ")))
        << Qt::endl;
    const std::optional<int> notKept = keeping.upload(interrupt);
    return std::max(code, notKept.value_or(exitStatus::Done));
}
