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
