#include "KeptRun.h"

#include "ConsoleMain.h"
#include "HistoryPlace.h"
#include "NewRun.h"
#include "RunKeeper.h"

#include <QTextStream>

void keepRun(const CommandLine::SelfTest &options, const line::SelfTestReport &report,
             const line::ReportHeader &header, const line::WallClock &wallClock)
{
    if (!options.keep)
        return;
    const HistorySettings settings = HistorySettings::load();
    RunKeeper keeper(options.db.isEmpty() ? settings.server : options.db);
    const QString station = options.station.isEmpty() ? settings.stationName() : options.station;
    // A run the server did not take is safe in the local file; say so, since nothing else will.
    QObject::connect(&keeper, &RunKeeper::synced, [](int, int waiting, const QString &error) {
        if (!error.isEmpty() && waiting > 0)
            QTextStream(stderr) << programPrefix() << waiting
                                << (waiting == 1 ? " run waits" : " runs wait")
                                << " in the local file for the history server: " << error
                                << Qt::endl;
    });
    if (const QString why = keeper.keep(newRunRecord(report, header, wallClock, station));
        !why.isEmpty())
        QTextStream(stderr) << programPrefix()
                            << "the run could not be kept in the history: " << why << Qt::endl;
    keeper.waitForSync();
}

line::SelfTestReport unrunReport(int address, const std::string &reason)
{
    line::SelfTestReport report;
    report.address = std::uint8_t(address);
    report.outcome = line::Outcome::Error;
    report.verdict = line::Overall::Cancelled; // stopped before its end, as a lost port is
    report.reason = reason;
    return report;
}
