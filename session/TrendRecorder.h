#pragma once

#include "Trend.h"

#include <QObject>

class LineTap;

// Keeps the poll's readings from start-up, whether or not anyone looks at
// them, so that the trend window shows what happened before it opened.
class TrendRecorder : public QObject {
    Q_OBJECT
public:
    explicit TrendRecorder(LineTap &tap, QObject *parent = nullptr);

    const figures::Trend &trend() const { return readings; }
    // Times on the plot and in the CSV, on the line monitor's wall clock.
    const line::WallClock &wallClock() const;

signals:
    void readingAdded();

private:
    LineTap &tap;
    figures::Trend readings;
};
