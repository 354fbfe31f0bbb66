#include "NewRun.h"

#include <QUuid>

line::RunRecord newRunRecord(const line::SelfTestReport &report, const line::ReportHeader &header,
                             const line::WallClock &wallClock, const QString &station)
{
    return line::runRecord(report, header, wallClock, station.toStdString(),
                           QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString(),
                           line::readClocks().wall);
}
