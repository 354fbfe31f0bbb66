#pragma once

#include "Clock.h"

#include <QDate>
#include <QDateTime>
#include <QString>

// Times as the history keeps them: UTC text, "2026-12-07T14:03:21.042Z", which sorts as it
// reads in both databases.
QString storedTime(line::WallTime t);
// The instant a stored time names; the epoch for text that is not one.
line::WallTime wallTimeOf(const QString &stored);
QDateTime dateTimeOf(const QString &stored); // in UTC
// Where a local day begins.
line::WallTime localDayStart(QDate day);
