#include "HistoryCommand.h"

#include "ConsoleMain.h"
#include "HistoryPlace.h"
#include "RunCsv.h"
#include "RunKeeper.h"

#include <QEventLoop>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

constexpr int CannotReach = 2;

void print(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

int upload(const QString &server)
{
    QTextStream err(stderr);
    if (server.isEmpty()) {
        err << programPrefix()
            << "no history server: give one with --db or in the history window's settings"
            << Qt::endl;
        return CannotReach;
    }
    RunKeeper keeper(server);
    QEventLoop loop;
    int left = 0;
    QString why;
    QObject::connect(&keeper, &RunKeeper::synced, &loop,
                     [&](int uploaded, int waiting, const QString &error) {
                         err << programPrefix() << uploaded << (uploaded == 1 ? " run" : " runs")
                             << " uploaded, " << waiting << " waiting" << Qt::endl;
                         left = waiting;
                         why = error;
                         loop.quit();
                     });
    keeper.sync();
    if (keeper.syncing()) // else it has said already why nothing went up
        loop.exec();
    if (!why.isEmpty())
        err << programPrefix() << why << Qt::endl;
    return left == 0 ? 0 : CannotReach;
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
        return CannotReach;
    }
    std::unique_ptr<HistoryDb> remote;
    if (!server.isEmpty()) {
        const std::optional<ServerUrl> url = ServerUrl::parse(server, &error);
        if (url)
            remote = HistoryDb::openServer(*url, &error);
        const int waiting = local->waitingCount();
        const QString waits = QString::number(waiting) +
                              (waiting == 1 ? " run waits" : " runs wait") + " in " +
                              local->name() + " to go up";
        if (!remote) {
            // The driver's reason names the server already.
            err << programPrefix() << "cannot reach the history server: " << error << "; " << waits
                << Qt::endl;
            return CannotReach;
        }
        err << programPrefix() << "read from " << remote->name() << "; " << waits << Qt::endl;
    }
    const HistoryDb &db = remote ? *remote : *local;
    if (mode == CommandLine::Mode::Yield) {
        const std::vector<line::YieldRun> runs = db.yieldRuns(options.filter);
        if (db.lastError().isEmpty()) {
            print(yieldCsvHeader());
            for (const line::DayYield &day : line::yieldByDay(runs))
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
        return CannotReach;
    }
    return 0;
}
