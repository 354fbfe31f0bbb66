#include "KeptRun.h"

#include "ConsoleMain.h"
#include "ExitStatus.h"
#include "HistoryDb.h"
#include "HistoryLimits.h"
#include "HistorySettings.h"
#include "QuitOnSignal.h"
#include "RunRecord.h"
#include "ServerWait.h"
#include "Upload.h"

#include <QTextStream>

std::optional<int> keepRun(const CommandLine::SelfTest &options, const line::SelfTestReport &report,
                           const line::ReportHeader &header, const line::WallClock &wallClock,
                           QuitOnSignal &interrupt)
{
    if (!options.keep)
        return std::nullopt;
    QTextStream err(stderr);
    const auto say = [&](const QString &text) { err << programPrefix() << text << Qt::endl; };
    const HistorySettings settings = HistorySettings::load();
    const QString station = options.station.isEmpty() ? settings.stationName() : options.station;
    const line::RunRecord run =
        line::newRunRecord(report, header, wallClock, station.toStdString());
    const QString serverText = options.db.isEmpty() ? settings.server : options.db;
    QString serverProblem;
    const std::optional<ServerUrl> server =
        serverText.isEmpty() ? std::nullopt : ServerUrl::parse(serverText, &serverProblem);

    const QString path = localHistoryPath();
    QString localProblem;
    const auto local = HistoryDb::openLocal(path, &localProblem);
    const bool keptLocally =
        local && local->store(run, &localProblem, server ? server->shown() : QString());
    if (!serverProblem.isEmpty())
        say("the history server cannot be used: " + serverProblem);
    if (!server) {
        if (keptLocally)
            return std::nullopt;
        say("the run is not in the history: " + localProblem);
        return int(exitStatus::Error);
    }
    if (!keptLocally)
        say("the local file cannot take the run (" + localProblem +
            "): it goes to the history server alone");

    // Only this run: what waits from earlier is --sync's, or the window's.
    const auto upload = std::make_shared<HistoryUpload>();
    const std::optional<QString> markIn = keptLocally ? std::optional(path) : std::nullopt;
    const ServerWaitEnd end =
        waitForServer([run, url = *server, markIn,
                       upload](const auto &) { uploadRun(run, url, markIn, *upload); },
                      historyLimits::ConsoleUpload, interrupt);
    const bool up = end == ServerWaitEnd::Done && upload->uploaded == 1;
    if (up)
        return std::nullopt;
    const QString why = end == ServerWaitEnd::Done ? upload->error
                        : end == ServerWaitEnd::TooLong
                            ? QStringLiteral("%1 did not answer within %2 s")
                                  .arg(server->shown())
                                  .arg(std::chrono::seconds(historyLimits::ConsoleUpload).count())
                            : QStringLiteral("interrupted by a signal");
    if (keptLocally)
        say("the run waits in the local file for the history server: " + why);
    else
        say("the run is not in the history: neither the local file (" + localProblem +
            ") nor the history server (" + why + ") took it");
    if (end == ServerWaitEnd::Interrupted)
        return int(exitStatus::Interrupted);
    return keptLocally ? std::nullopt : std::optional(int(exitStatus::Error));
}
