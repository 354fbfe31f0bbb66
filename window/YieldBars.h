#pragma once

#include "Yield.h"

#include <QWidget>

#include <vector>

// The first-pass yield per day as bars, oldest day at the left, each with its count of runs
// above it; a day without a serial number to judge has its count but no bar. As many of the
// newest days as have room are drawn, and the caption says when there are more.
class YieldBars : public QWidget {
    Q_OBJECT
public:
    explicit YieldBars(QWidget *parent = nullptr);

    // A yield as the history window writes it: "66.7 %"; empty for none.
    static QString percent(const std::optional<double> &yield);

    // Oldest first, as figures::yieldByDay() gives them.
    void setDays(std::vector<figures::DayYield> days);
    const std::vector<figures::DayYield> &days() const { return days_; }
    // Where day i's bar is drawn; empty when it has no bar or no room.
    QRect bar(int day) const;
    // Where day i's count of runs is written; empty when it has no room.
    QRect runsLabel(int day) const;
    QString toolTipAt(QPoint pos) const;
    // The year shown in the caption when the days shown share one, else under the first
    // day shown of each year (empty for the other days).
    QString caption() const;
    QString yearLabel(int day) const;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int axisWidth() const;
    QRect plot() const;
    bool yearsDiffer() const; // among the days shown
    int pitch() const;
    int firstShown() const; // the oldest day with room
    int slotLeft(int day) const;

    std::vector<figures::DayYield> days_;
};
