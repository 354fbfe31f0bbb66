#include "HistorySettings.h"

#include "ServerUrl.h"

#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

const QString StationKey = QStringLiteral("history/station");
const QString ServerKey = QStringLiteral("history/server");

} // namespace

QString localHistoryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/history.sqlite");
}

HistorySettings HistorySettings::load()
{
    QSettings settings;
    return {settings.value(StationKey).toString(), settings.value(ServerKey).toString()};
}

// Only what parses is kept, and then without its password.
void HistorySettings::save() const
{
    QSettings settings;
    settings.setValue(StationKey, station);
    const auto url = ServerUrl::parse(server, nullptr);
    settings.setValue(ServerKey, url ? url->shown() : QString());
}

QString HistorySettings::stationName() const
{
    return station.isEmpty() ? QSysInfo::machineHostName() : station;
}
