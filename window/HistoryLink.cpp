#include "HistoryLink.h"

#include "HistoryPlace.h"
#include "NewRun.h"
#include "RunKeeper.h"

HistoryLink::HistoryLink(QObject *parent) : QObject(parent) {}

HistoryLink::~HistoryLink() = default;

RunKeeper &HistoryLink::keeper()
{
    if (!runKeeper) {
        runKeeper = std::make_unique<RunKeeper>(HistorySettings::load().server);
        connect(runKeeper.get(), &RunKeeper::progress, this, &HistoryLink::progress);
        connect(runKeeper.get(), &RunKeeper::synced, this, &HistoryLink::synced);
    }
    return *runKeeper;
}

QString HistoryLink::keep(const line::SelfTestReport &report, const line::ReportHeader &header,
                          const line::WallClock &wallClock)
{
    const QString why = keeper().keep(
        newRunRecord(report, header, wallClock, HistorySettings::load().stationName()));
    if (why.isEmpty())
        emit kept();
    return why;
}

void HistoryLink::syncInBackground()
{
    if (!HistorySettings::load().server.isEmpty())
        keeper().sync();
}

void HistoryLink::settingsChanged()
{
    runKeeper.reset(); // an upload under way ends first
    emit reconnected();
}
