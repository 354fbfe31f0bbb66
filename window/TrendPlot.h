#pragma once

#include "Trend.h"

#include <QLineF>
#include <QPixmap>
#include <QRectF>
#include <QVector>
#include <QWidget>

#include <vector>

// The trend drawn to the pixel columns: the three analog inputs on one scale,
// then a lane for each digital input and each relay. Each column shows the
// least and most of what it holds, so a spike of one reading stays in sight
// at any zoom; a poll with no reply shades its column; a line joins only
// readings that follow each other.
class TrendPlot : public QWidget {
    Q_OBJECT
public:
    TrendPlot(const figures::Trend &trend, line::WallClock wallClock, QWidget *parent = nullptr);

    // How much the plot shows; zero for everything kept. A zoom changes what is
    // shown but not what was chosen, and follow() returns to it.
    void setSpan(line::Time::duration span);
    void follow();
    bool following() const { return followNewest; }
    bool showsChosenSpan() const { return span == chosenSpan; }
    // The times at the left and right edges; false while nothing was read.
    bool visibleRange(line::Time &from, line::Time &to) const;
    // Time and values at the x position, as the cursor read-out says them.
    QString readOutAt(int x) const;
    // Told of new readings; true when they change what is in view, and then it repaints.
    bool readingsAdded();

    QSize sizeHint() const override { return {900, 480}; }

signals:
    // The user panned or zoomed, so the plot stopped following.
    void viewChanged();
    // What is under the cursor; empty once it has left.
    void readOut(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Lane {
        figures::Signal signal;
        int top, bottom; // pixels; a value of 0 sits at the bottom
        int fullScale;
    };
    QRect plotArea() const;
    std::vector<Lane> lanes() const;
    line::Time timeAt(int x, line::Time from, line::Time to) const;
    void stopFollowing(line::Time right);
    void refreshReadOut();
    void drawScales();
    void drawTraces(bool any, line::Time from, line::Time to);
    void drawSignal(const Lane &lane, QVector<QLineF> &lines, QVector<QRectF> &onAreas);
    void drawGaps(QPainter &p, const Lane &first, const Lane &last);
    void drawTimeAxis(QPainter &p, line::Time from, line::Time to);

    const figures::Trend &trend;
    line::WallClock wallClock;
    line::Time::duration span, chosenSpan;
    bool followNewest = true;
    line::Time right{}; // the right edge while not following
    int dragX = -1;
    line::Time dragRight{};
    int cursorX = -1;
    std::vector<figures::TrendColumn> columns; // reused from one signal to the next
    QPixmap scales;                         // the frame's text and grid, for this size
    // The scales and what is in view, drawn for this view; a hover adds only the cursor.
    QPixmap traces;
    bool tracesStale = true;
    bool drawnAny = false;
    line::Time drawnFrom{}, drawnTo{}, oldestSeen{};
};
