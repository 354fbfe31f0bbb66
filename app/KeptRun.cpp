#include "KeptRun.h"

#include "ExitStatus.h"
#include "HistoryDb.h"
#include "HistoryLimits.h"
#include "HistorySettings.h"
#include "ProgramName.h"
#include "QuitOnSignal.h"
#include "ServerWait.h"
#include "SignalStop.h"
#include "Upload.h"

#include <QTextStream>

#include <memory>

namespace {

void say(const QString &text)
{
    QTextStream(stderr) << programPrefix() << text << Qt::endl;
}

} // namespace

KeptRuns::KeptRuns(const CommandLine::SelfTest &options) : on(options.keep)
{
    if (!on)
        return;
    const HistorySettings settings = HistorySettings::load();
    station = options.station.isEmpty() ? settings.stationName() : options.station;
    const QString serverText = options.db.isEmpty() ? settings.server : options.db;
    QString serverProblem;
    if (!serverText.isEmpty())
        server = ServerUrl::parse(serverText, &serverProblem);
    if (!serverProblem.isEmpty())
        say("the history server cannot be used: " + serverProblem);
}

void KeptRuns::keep(const procedures::SelfTestReport &report, const records::ReportHeader &header,
                    const line::WallClock &wallClock, const QString &slot)
{
    if (!on)
        return;
    Kept k;
    k.run = records::newRunRecord(report, header, wallClock, station.toStdString());
    k.name = slot.isEmpty() ? QStringLiteral("the run") : "the run of " + slot;
    k.run.slot = slot.toStdString();
    if (!local)
        local = HistoryDb::openLocal(localHistoryPath(), &localProblem);
    k.localProblem = localProblem;
    k.locally = local && local->store(k.run, &k.localProblem, server ? server->shown() : QString());
    if (!server) {
        if (!k.locally) {
            say(k.name + " is not in the history: " + k.localProblem);
            lost = true;
        }
        return;
    }
    if (!k.locally)
        say("the local file cannot take " + k.name + " (" + k.localProblem +
            "): it goes to the history server alone");
    kept.push_back(std::move(k));
}

std::optional<int> KeptRuns::upload(QuitOnSignal &interrupt)
{
    const std::optional<int> lostCode = lost ? std::optional(int(exitStatus::Error)) : std::nullopt;
    if (kept.empty())
        return lostCode;
    // Only these runs: what waits from earlier is --sync's, or the window's. Each goes up in
    // turn, and the wait lasts while they get on.
    std::vector<records::RunRecord> runs;
    std::vector<std::optional<QString>> markIn;
    for (const Kept &k : kept) {
        runs.push_back(k.run);
        markIn.push_back(k.locally ? std::optional(localHistoryPath()) : std::nullopt);
    }
    const auto uploads = std::make_shared<std::vector<HistoryUpload>>(runs.size());
    const ServerWaitEnd end = waitForServer(
        [runs, url = *server, markIn, uploads](const std::function<void()> &alive) {
            for (std::size_t i = 0; i < runs.size(); ++i) {
                uploadRun(runs[i], url, markIn[i], (*uploads)[i]);
                alive();
            }
        },
        historyLimits::ConsoleUpload, interrupt);
    bool anyLost = lost;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const Kept &k = kept[i];
        const HistoryUpload &upload = (*uploads)[i];
        if (end == ServerWaitEnd::Done && upload.uploaded == 1)
            continue;
        const QString why =
            end == ServerWaitEnd::Done ? upload.error
            : end == ServerWaitEnd::TooLong
                ? QStringLiteral("%1 did not answer within %2 s")
                      .arg(server->shown())
                      .arg(std::chrono::seconds(historyLimits::ConsoleUpload).count())
                : QString::fromLatin1(SignalReason);
        if (k.locally) {
            say(k.name + " waits in the local file for the history server: " + why);
        } else {
            say(k.name + " is not in the history: neither the local file (" + k.localProblem +
                ") nor the history server (" + why + ") took it");
            anyLost = true;
        }
    }
    kept.clear();
    if (end == ServerWaitEnd::Interrupted)
        return int(exitStatus::Interrupted);
    return anyLost ? std::optional(int(exitStatus::Error)) : std::nullopt;
}

std::optional<int> keepRun(const CommandLine::SelfTest &options,
                           const procedures::SelfTestReport &report,
                           const records::ReportHeader &header, const line::WallClock &wallClock,
                           QuitOnSignal &interrupt)
{
    KeptRuns keeping(options);
    keeping.keep(report, header, wallClock);
    return keeping.upload(interrupt);
}
