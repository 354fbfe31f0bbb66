#pragma once

#include "TimelineColumns.h"

#include <QStaticText>
#include <QWidget>

#include <cstdint>

class QTableView;
namespace line {
class LineMonitor;
}

// The monitor's timeline, above its table: a mark per column of time, as tall as the
// column's slowest reply and coloured by its worst transaction. A click selects the marked
// transaction's row. It does its work only when told to refresh() or painted, which the
// monitor does only while it is shown.
class TimelineStrip : public QWidget {
    Q_OBJECT
public:
    explicit TimelineStrip(const line::LineMonitor &monitor, QWidget *parent = nullptr);

    // Takes in what the traffic added and dropped since the last time.
    void refresh();
    const TimelineColumns &columns() const { return columns_; }
    // What the mark under x says, in the monitor's words.
    QString toolTipAt(int x) const;
    // The scale's top, in ms: the slowest reply shown rounded up to 1, 2 or 5 times a power
    // of ten.
    double scaleMs() const;

    // Selects the row of a transaction in a view of the traffic, and scrolls to it.
    static void selectInTable(QTableView &table, std::uint64_t sequence);

    QSize sizeHint() const override;

signals:
    void transactionClicked(std::uint64_t sequence);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // Words laid out once and again only when they change: the strip is drawn
    // again with each transaction, and its words mostly stay the same.
    class Caption {
    public:
        const QStaticText &laidOut(const QString &text, const QFont &font);

    private:
        QStaticText laid;
        QFont laidIn;
    };
    enum class Place { Left, Centre, Right };
    void draw(QPainter &painter, Caption &caption, const QString &text, const QRect &room,
              Place place, Qt::Alignment vertical = Qt::AlignVCenter);

    QRect plot() const;
    QRect wordsRow() const; // under the marks: the times at either end, the legend
    void followWidth();
    void measureTimesRoom();

    const line::LineMonitor &monitor;
    TimelineColumns columns_;
    Caption scaleCaption, oldestCaption, newestCaption, legendCaption;
    bool wasEmpty = true;
    int timesRoom = 0; // at either end of the words' row, for a time of day
};
