#include "TrendPlot.h"

#include "TrendPlotLook.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

// The painting: the scales and the traces in view kept as pictures, the cursor over them.

namespace {

using namespace trendplot;
using figures::SignalKind;

const QColor StepColour(40, 40, 40);
const QColor GapColour(255, 200, 200);
const QColor MissColour(220, 0, 0);
const QColor OnColour(200, 230, 200);

} // namespace

void TrendPlot::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        scales = QPixmap();
        update();
    }
    QWidget::changeEvent(event);
}

void TrendPlot::paintEvent(QPaintEvent *)
{
    if (scales.size() != size() * devicePixelRatioF()) {
        drawScales();
        tracesStale = true;
    }
    line::Time from{}, to{};
    const bool any = visibleRange(from, to);
    if (tracesStale || any != drawnAny || from != drawnFrom || to != drawnTo)
        drawTraces(any, from, to);
    QPainter p(this);
    p.drawPixmap(0, 0, traces);
    const QRect area = plotArea();
    if (any && cursorX >= area.left() && cursorX <= area.right()) {
        p.setPen(QPen(Qt::gray, 1, Qt::DashLine));
        p.drawLine(cursorX, area.top(), cursorX, area.bottom());
    }
}

void TrendPlot::drawTraces(bool any, line::Time from, line::Time to)
{
    traces = scales.copy();
    tracesStale = false;
    drawnAny = any;
    drawnFrom = from;
    drawnTo = to;
    QPainter p(&traces);
    const QRect area = plotArea();
    const std::vector<Lane> all = lanes();
    if (any) {
        // Shading first, so that the traces show through it.
        drawGaps(p, all[0], all[6]);
        drawGaps(p, all[7], all.back());
        QVector<QLineF> lines;
        QVector<QRectF> onAreas;
        p.setClipRect(area.adjusted(0, -1, 1, 1));
        for (const Lane &lane : all) {
            lines.clear();
            onAreas.clear();
            drawSignal(lane, lines, onAreas);
            p.setPen(Qt::NoPen);
            p.setBrush(OnColour);
            p.drawRects(onAreas);
            p.setBrush(Qt::NoBrush);
            p.setPen(lane.signal.kind == SignalKind::Analog
                         ? AnalogColours[std::size_t(lane.signal.index)]
                         : StepColour);
            p.drawLines(lines);
        }
        p.setClipping(false);
        drawTimeAxis(p, from, to);
    } else {
        p.setPen(Qt::darkGray);
        p.drawText(area, Qt::AlignCenter, tr("Nothing read yet: the trend starts with the poll."));
    }
    p.setPen(Qt::gray);
    p.drawRect(area.adjusted(0, 0, -1, -1));
}

// A run of columns at one value is one line (and one shaded area for a step
// that is on), so that a steady signal costs a few shapes, not a few a column.
void TrendPlot::drawSignal(const Lane &lane, QVector<QLineF> &lines, QVector<QRectF> &onAreas)
{
    line::Time from, to;
    visibleRange(from, to);
    const QRect area = plotArea();
    trend.decimate(lane.signal, from, to, area.width(), columns);
    const double scale = double(lane.bottom - lane.top) / lane.fullScale;
    const auto y = [&](std::uint16_t v) {
        return lane.bottom - std::min<int>(v, lane.fullScale) * scale;
    };
    const bool steps = lane.signal.kind != SignalKind::Analog;
    struct Run {
        double startX = 0;
        std::uint16_t value = 0;
        bool open = false;
        bool alone = false; // one reading joined to nothing before it: a short dash
    } run;
    const auto close = [&](double endX, double onUntil) {
        if (!run.open)
            return;
        if (endX > run.startX)
            lines.append({run.startX, y(run.value), endX, y(run.value)});
        else if (run.alone)
            lines.append({run.startX - 1, y(run.value), run.startX + 1, y(run.value)});
        if (steps && run.value != 0)
            onAreas.append(QRectF(run.startX - 0.5, lane.top, onUntil - run.startX + 0.5,
                                  lane.bottom - lane.top));
        run.open = false;
    };
    double lastX = area.left(); // a line that comes from before the span starts at the edge
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const figures::TrendColumn &column = columns[c];
        if (column.readings == 0)
            continue;
        const double x = area.left() + double(c) + 0.5;
        const bool flat = column.min == column.max;
        if (column.joinsPrevious && !run.open)
            run = {lastX, column.first, true, false};
        if (!column.joinsPrevious) {
            close(lastX, lastX + 0.5);
        } else if (flat && column.first == run.value) {
            lastX = x;
            continue;
        } else if (steps) {
            close(x, x);
            lines.append({x, y(run.value), x, y(column.first)});
        } else {
            close(lastX, lastX);
            lines.append({lastX, y(run.value), x, y(column.first)});
        }
        if (!flat) {
            lines.append({x, y(column.max), x, y(column.min)});
            if (steps && column.max != 0)
                onAreas.append(QRectF(x - 0.5, lane.top, 1, lane.bottom - lane.top));
        }
        run = {x, column.last, true, flat && !column.joinsPrevious};
        lastX = x;
    }
    close(lastX, lastX + 0.5);
}

// Where no poll of a column got a reply, the column is shaded across the lanes
// of its kind; where some did and some did not, a mark above the lanes says so.
void TrendPlot::drawGaps(QPainter &p, const Lane &first, const Lane &last)
{
    line::Time from, to;
    visibleRange(from, to);
    const QRect area = plotArea();
    trend.decimate(first.signal, from, to, area.width(), columns);
    const auto runs = [&](auto inRun, auto draw) {
        for (std::size_t c = 0; c < columns.size();) {
            if (!inRun(columns[c])) {
                ++c;
                continue;
            }
            const std::size_t start = c;
            while (c < columns.size() && inRun(columns[c]))
                ++c;
            draw(area.left() + int(start), std::max(int(c - start), 2));
        }
    };
    // Above the analog scale's headroom, or in the gap between the lanes.
    const int markTop = first.signal.kind == SignalKind::Analog ? area.top() + 1 : first.top - 3;
    runs([](const figures::TrendColumn &c) { return c.noReply && c.readings == 0; },
         [&](int x, int width) {
             p.fillRect(QRect(x, first.top - 2, width, last.bottom - first.top + 4), GapColour);
         });
    runs([](const figures::TrendColumn &c) { return c.noReply && c.readings > 0; },
         [&](int x, int width) { p.fillRect(QRect(x, markTop, width, 4), MissColour); });
}
