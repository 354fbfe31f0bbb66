#include "HistoryLink.h"

#include "HistorySettings.h"
#include "RunKeeper.h"
#include "RunRecord.h"

HistoryLink::HistoryLink(QObject *parent) : QObject(parent) {}

HistoryLink::~HistoryLink() = default;

RunKeeper &HistoryLink::keeper()
{
    if (!runKeeper) {
        runKeeper = std::make_unique<RunKeeper>(HistorySettings::load().server);
        connect(runKeeper.get(), &RunKeeper::progress, this, &HistoryLink::progress);
        connect(runKeeper.get(), &RunKeeper::synced, this, &HistoryLink::synced);
        connect(runKeeper.get(), &RunKeeper::sentAlone, this, &HistoryLink::sentAlone);
    }
    return *runKeeper;
}

QString HistoryLink::keep(const procedures::SelfTestReport &report,
                          const records::ReportHeader &header, const line::WallClock &wallClock,
                          QString *runId)
{
    const records::RunRecord run = records::newRunRecord(
        report, header, wallClock, HistorySettings::load().stationName().toStdString());
    if (runId)
        *runId = QString::fromStdString(run.id);
    const QString why = keeper().keep(run);
    if (why.isEmpty())
        emit kept();
    return why;
}

void HistoryLink::syncInBackground()
{
    // Start-up asks the same first, to leave the tools unloaded; asked here too, so that a call
    // without a server makes no keeper and opens no file.
    if (!HistorySettings::load().server.isEmpty())
        keeper().sync();
}

void HistoryLink::settingsChanged()
{
    runKeeper.reset(); // an upload under way ends first, within its bound
    emit reconnected();
}
