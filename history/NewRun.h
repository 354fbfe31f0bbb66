#pragma once

#include "RunRecord.h"

#include <QString>

// The record of a run that has just ended, under an id of its own made here: the dialog and
// the console keep their runs alike.
line::RunRecord newRunRecord(const line::SelfTestReport &report, const line::ReportHeader &header,
                             const line::WallClock &wallClock, const QString &station);
