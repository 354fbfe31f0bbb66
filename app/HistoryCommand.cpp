#include "HistoryCommand.h"

#include "ExitStatus.h"
#include "HistoryLimits.h"
#include "HistorySettings.h"
#include "ProgramName.h"
#include "QuitOnSignal.h"
#include "RunCsv.h"
#include "ServerWait.h"
#include "Upload.h"

#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

void print(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

int exitCodeOf(HistoryUpload::Problem problem)
{
    using Problem = HistoryUpload::Problem;
    switch (problem) {
    case Problem::None:
        return exitStatus::Done;
    case Problem::Unreachable:
        return exitStatus::Error;
    case Problem::Refused:
        return exitStatus::Refused;
    case Problem::LocalFile:
        return exitStatus::LocalFile;
    case Problem::Unreadable:
        return exitStatus::Unreadable;
    }
    return exitStatus::Error;
}

// What waits for `server`, and no other, goes up; exit 0 once none is left.
int upload(const QString &server)
{
    QTextStream err(stderr);
    const auto say = [&](const QString &text) { err << programPrefix() << text << Qt::endl; };
    if (server.isEmpty()) {
        say("no history server: give one with --db or in the history window's settings");
        return exitStatus::Error;
    }
    QString why;
    const std::optional<ServerUrl> url = ServerUrl::parse(server, &why);
    if (!url) {
        say("the history server cannot be used: " + why);
        return exitStatus::Error;
    }
    const auto done = std::make_shared<HistoryUpload>();
    const auto sent = std::make_shared<std::atomic<int>>(0); // read while it goes on
    QuitOnSignal interrupt(false);
    const ServerWaitEnd end = waitForServer(
        [path = localHistoryPath(), target = UploadTarget::of(*url), done, sent](auto &alive) {
            const std::atomic<bool> never{false};
            uploadWaiting(path, target, never, *done, [&](int uploaded, int) {
                *sent = uploaded;
                alive();
            });
        },
        historyLimits::SyncSilence, interrupt);
    if (end != ServerWaitEnd::Done) {
        const int uploaded = *sent;
        say(QStringLiteral("%1 uploaded; the rest waits: %2")
                .arg(uploaded == 1 ? QStringLiteral("1 run") : QString::number(uploaded) + " runs",
                     end == ServerWaitEnd::Interrupted
                         ? QStringLiteral("interrupted by a signal")
                         : QStringLiteral("%1 did not answer for %2 s")
                               .arg(url->shown())
                               .arg(std::chrono::seconds(historyLimits::SyncSilence).count())));
        return end == ServerWaitEnd::Interrupted ? exitStatus::Interrupted : exitStatus::Error;
    }
    say(QStringLiteral("%1 %2 uploaded, %3 waiting")
            .arg(done->uploaded)
            .arg(done->uploaded == 1 ? "run" : "runs")
            .arg(done->waiting));
    const int code = exitCodeOf(done->problem);
    if (code != 0)
        say(QStringLiteral("exit %1: %2").arg(code).arg(done->said()));
    return code;
}

} // namespace

int runHistory(CommandLine::Mode mode, const CommandLine::History &options)
{
    QTextStream err(stderr);
    const QString server = options.db.isEmpty() ? HistorySettings::load().server : options.db;
    if (mode == CommandLine::Mode::Sync)
        return upload(server);

    QString error;
    const std::unique_ptr<HistoryDb> local = HistoryDb::openLocal(localHistoryPath(), &error);
    if (!local) {
        err << programPrefix() << "cannot open " << localHistoryPath() << ": " << error << Qt::endl;
        return exitStatus::Error;
    }
    std::unique_ptr<HistoryDb> remote;
    if (!server.isEmpty()) {
        const std::optional<ServerUrl> url = ServerUrl::parse(server, &error);
        if (url)
            remote = HistoryDb::openServer(*url, &error);
        const UploadTarget target = url ? UploadTarget::of(*url) : UploadTarget{};
        const int waiting = local->waitingCount(target.key(), target.takesUnnamed);
        const QString waits = QString::number(waiting) +
                              (waiting == 1 ? " run waits" : " runs wait") + " in " +
                              local->name() + " to go up";
        if (!remote) {
            // The driver's reason names the server already.
            err << programPrefix() << "cannot reach the history server: " << error << "; " << waits
                << Qt::endl;
            return exitStatus::Error;
        }
        err << programPrefix() << "read from " << remote->name() << "; " << waits << Qt::endl;
    }
    const HistoryDb &db = remote ? *remote : *local;
    if (mode == CommandLine::Mode::Yield) {
        const std::vector<figures::YieldRun> runs = db.yieldRuns(options.filter);
        if (db.lastError().isEmpty()) {
            print(yieldCsvHeader());
            for (const figures::DayYield &day : figures::yieldByDay(runs))
                print(yieldCsvRow(day));
        }
    } else {
        print(runCsvHeader());
        forEachRun(db, options.filter, [](const RunRow &run) { print(runCsvRow(run)); });
    }
    std::fflush(stdout);
    // A refused read is no empty history.
    if (!db.lastError().isEmpty()) {
        err << programPrefix() << "cannot read " << db.name() << ": " << db.lastError() << Qt::endl;
        return exitStatus::Error;
    }
    return exitStatus::Done;
}
