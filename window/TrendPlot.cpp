#include "TrendPlot.h"

#include "Words.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using namespace std::chrono_literals;
using line::Signal;
using line::SignalKind;

constexpr int LeftMargin = 56, RightMargin = 12, TopMargin = 22, BottomMargin = 24;
constexpr int LaneGap = 4;
constexpr int AnalogFullScale = 1023;
constexpr line::Time::duration ShortestSpan = 10s;
constexpr line::Time::duration LongestSpan = 48h;
constexpr double ZoomStep = 1.25; // one notch of the wheel

const std::array<QColor, 3> AnalogColours{QColor(0, 90, 200), QColor(220, 110, 0),
                                          QColor(0, 150, 60)};
const QColor StepColour(40, 40, 40);
const QColor GapColour(255, 200, 200);
const QColor MissColour(220, 0, 0);
const QColor OnColour(200, 230, 200);
const QColor GridColour(225, 225, 225);

line::Time::duration scaled(line::Time::duration d, double factor)
{
    return std::chrono::duration_cast<line::Time::duration>(
        std::chrono::duration<double, line::Time::period>(double(d.count()) * factor));
}

QString laneName(Signal s)
{
    switch (s.kind) {
    case SignalKind::Analog:
        return QStringLiteral("AI");
    case SignalKind::Digital:
        return QStringLiteral("DI%1").arg(s.index + 1);
    case SignalKind::Relay:
        return QStringLiteral("R%1").arg(s.index + 1);
    }
    return {};
}

// The time axis's step: the first that leaves labels this far apart.
std::chrono::seconds tickStep(line::Time::duration width, int pixels)
{
    static constexpr std::array<int, 15> Steps{1,   2,   5,   10,   15,   30,   60,   120,
                                               300, 600, 900, 1800, 3600, 7200, 14400};
    for (int s : Steps)
        if (double(std::chrono::seconds(s).count()) * pixels /
                std::chrono::duration<double>(width).count() >=
            90)
            return std::chrono::seconds(s);
    return std::chrono::seconds(Steps.back());
}

} // namespace

TrendPlot::TrendPlot(const line::Trend &trend, line::WallClock wallClock, QWidget *parent)
    : QWidget(parent), trend(trend), wallClock(std::move(wallClock)), span(10min), chosenSpan(span)
{
    setObjectName(QStringLiteral("trendPlot"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(400, 320);
}

void TrendPlot::setSpan(line::Time::duration length)
{
    line::Time from, to;
    const bool any = visibleRange(from, to);
    span = chosenSpan = length;
    if (any && !followNewest)
        right = to;
    update();
    refreshReadOut();
}

void TrendPlot::follow()
{
    followNewest = true;
    span = chosenSpan;
    update();
    refreshReadOut();
}

// The read-out says what is under the cursor now, not when it last moved.
void TrendPlot::refreshReadOut()
{
    emit readOut(cursorX >= 0 ? readOutAt(cursorX) : QString());
}

bool TrendPlot::visibleRange(line::Time &from, line::Time &to) const
{
    line::Time oldest, newest;
    if (!trend.span(oldest, newest))
        return false;
    if (span == line::Time::duration::zero()) {
        from = oldest;
        to = std::max(newest + 1s, oldest + ShortestSpan);
        return true;
    }
    // A little room after the newest reading, so it falls inside [from, to).
    to = followNewest ? newest + 1s : right;
    from = to - span;
    return true;
}

QRect TrendPlot::plotArea() const
{
    return rect().adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
}

// The analog scale takes two fifths of the height, the twelve lanes the rest.
std::vector<TrendPlot::Lane> TrendPlot::lanes() const
{
    const QRect area = plotArea();
    const int analogHeight = area.height() * 2 / 5;
    std::vector<Lane> out;
    // Room above full scale, so that a trace there is not lost in the frame.
    for (int a = 0; a < 3; ++a)
        out.push_back(
            {{SignalKind::Analog, a}, area.top() + 8, area.top() + analogHeight, AnalogFullScale});
    const int laneTop = area.top() + analogHeight + 2 * LaneGap;
    const double laneHeight = double(area.bottom() - laneTop) / 12.0;
    for (int l = 0; l < 12; ++l) {
        const Signal s = l < 4 ? Signal{SignalKind::Digital, l} : Signal{SignalKind::Relay, l - 4};
        const int top = laneTop + int(std::lround(l * laneHeight)) + (l >= 4 ? LaneGap : 0);
        out.push_back({s, top + 3, top + int(laneHeight) - 3, 1});
    }
    return out;
}

line::Time TrendPlot::timeAt(int x, line::Time from, line::Time to) const
{
    const QRect area = plotArea();
    const double f = std::clamp(double(x - area.left()) / std::max(area.width(), 1), 0.0, 1.0);
    return from + scaled(to - from, f);
}

void TrendPlot::stopFollowing(line::Time rightEdge)
{
    if (span == line::Time::duration::zero()) {
        line::Time from, to;
        visibleRange(from, to);
        span = to - from;
    }
    followNewest = false;
    right = rightEdge;
    emit viewChanged();
}

// What stays as long as the size does, drawn once: shaping text is most of a
// repaint's cost otherwise.
void TrendPlot::drawScales()
{
    const qreal ratio = devicePixelRatioF();
    scales = QPixmap(size() * ratio);
    scales.setDevicePixelRatio(ratio);
    scales.fill(Qt::white);
    QPainter p(&scales);
    const QRect area = plotArea();
    const std::vector<Lane> all = lanes();
    p.setPen(GridColour);
    const Lane &analog = all.front();
    for (int v : {0, 256, 512, 768, 1023}) {
        const int y = analog.bottom - (analog.bottom - analog.top) * v / AnalogFullScale;
        p.drawLine(area.left(), y, area.right(), y);
    }
    for (std::size_t l = 3; l < all.size(); ++l)
        p.drawLine(area.left(), all[l].bottom, area.right(), all[l].bottom);
    p.setPen(Qt::black);
    const int textHeight = fontMetrics().height();
    for (int v : {0, 512, 1023}) {
        const int y = analog.bottom - (analog.bottom - analog.top) * v / AnalogFullScale;
        p.drawText(QRect(0, y - textHeight / 2, LeftMargin - 6, textHeight),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    for (std::size_t l = 3; l < all.size(); ++l)
        p.drawText(QRect(0, all[l].top, LeftMargin - 6, all[l].bottom - all[l].top),
                   Qt::AlignRight | Qt::AlignVCenter, laneName(all[l].signal));
    int legendX = area.left();
    for (int a = 0; a < 3; ++a) {
        p.setPen(AnalogColours[std::size_t(a)]);
        const QString name = QStringLiteral("AI%1").arg(a + 1);
        p.drawText(legendX, TopMargin - 6, name);
        legendX += fontMetrics().horizontalAdvance(name) + 12;
    }
    p.setPen(Qt::darkGray);
    p.drawText(QRect(legendX, 0, area.right() - legendX, TopMargin - 2),
               Qt::AlignRight | Qt::AlignBottom,
               tr("Inputs and relays every 2 s: the poll reads registers and coils by turns. "
                  "Red: no reply."));
}

bool TrendPlot::readingsAdded()
{
    line::Time from, to, oldest, newest;
    if (!visibleRange(from, to) || !trend.span(oldest, newest))
        return false;
    // Following, the view moves with each reading; panned away, only a reading
    // landing in view or the oldest in view dropping changes the picture.
    const bool dropped = oldest != oldestSeen && oldest > from;
    oldestSeen = oldest;
    if (!followNewest && !dropped && (newest < from || newest >= to) &&
        span != line::Time::duration::zero())
        return false;
    tracesStale = true;
    update();
    refreshReadOut();
    return true;
}

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
        const line::TrendColumn &column = columns[c];
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
    runs([](const line::TrendColumn &c) { return c.noReply && c.readings == 0; },
         [&](int x, int width) {
             p.fillRect(QRect(x, first.top - 2, width, last.bottom - first.top + 4), GapColour);
         });
    runs([](const line::TrendColumn &c) { return c.noReply && c.readings > 0; },
         [&](int x, int width) { p.fillRect(QRect(x, markTop, width, 4), MissColour); });
}

// Ticks on whole multiples of the step in wall-clock seconds, for each clock
// epoch in view on its own offset.
void TrendPlot::drawTimeAxis(QPainter &p, line::Time from, line::Time to)
{
    const QRect area = plotArea();
    const auto step = tickStep(to - from, area.width());
    const int textWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00"));
    const std::vector<line::ClockEpoch> &epochs = trend.epochs();
    for (std::size_t e = 0; e < epochs.size(); ++e) {
        const line::Time start = std::max(from, epochs[e].from);
        const line::Time end = e + 1 < epochs.size() ? std::min(to, epochs[e + 1].from) : to;
        if (start >= end)
            continue;
        const line::WallTime wallStart = trend.wallTimeOf(start, wallClock);
        const auto offset = wallStart.time_since_epoch() - start.time_since_epoch();
        auto tick =
            (std::chrono::duration_cast<std::chrono::seconds>(wallStart.time_since_epoch()) / step +
             1) *
            step;
        for (;; tick += step) {
            const line::Time t(std::chrono::duration_cast<line::Time::duration>(tick - offset));
            if (t >= end)
                break;
            const int x = area.left() + int(double((t - from).count()) /
                                            double((to - from).count()) * area.width());
            p.setPen(GridColour);
            p.drawLine(x, area.top(), x, area.bottom());
            p.setPen(Qt::black);
            const QString label =
                QString::fromStdString(line::timeOfDay(trend.wallTimeOf(t, wallClock))).left(8);
            p.drawText(QRect(x - textWidth, area.bottom() + 2, 2 * textWidth, BottomMargin - 2),
                       Qt::AlignHCenter | Qt::AlignTop, label);
        }
    }
}

QString TrendPlot::readOutAt(int x) const
{
    line::Time from, to;
    if (!visibleRange(from, to))
        return {};
    const line::Time t = timeAt(x, from, to);
    // The reading nearest the cursor, when one is near enough to speak for it.
    const auto nearest = [&](const line::TrendRing &ring) -> const line::TrendReading * {
        const std::size_t i = ring.firstFrom(t);
        const line::TrendReading *best = nullptr;
        for (std::size_t k : {i - 1, i})
            if (k < ring.size() &&
                (!best || std::chrono::abs(ring[k].time - t) < std::chrono::abs(best->time - t)))
                best = &ring[k];
        return best && std::chrono::abs(best->time - t) <= line::Trend::JoinLimit ? best : nullptr;
    };
    QString text = QString::fromStdString(line::timeOfDay(trend.wallTimeOf(t, wallClock))).left(8);
    const line::TrendReading *inputs = nearest(trend.inputs());
    if (!inputs)
        text += tr("   inputs: not read");
    else if (!inputs->answered)
        text += tr("   inputs: no reply");
    else
        text += tr("   AI1 %1  AI2 %2  AI3 %3   DI %4 %5 %6 %7")
                    .arg(inputs->analog[0])
                    .arg(inputs->analog[1])
                    .arg(inputs->analog[2])
                    .arg(inputs->bits & 1)
                    .arg(inputs->bits >> 1 & 1)
                    .arg(inputs->bits >> 2 & 1)
                    .arg(inputs->bits >> 3 & 1);
    const line::TrendReading *relays = nearest(trend.relays());
    if (!relays)
        text += tr("   relays: not read");
    else if (!relays->answered)
        text += tr("   relays: no reply");
    else {
        QString bits;
        for (int r = 0; r < 8; ++r)
            bits += QLatin1Char((relays->bits >> r & 1) ? '1' : '0');
        text += tr("   relays %1").arg(bits);
    }
    return text;
}

void TrendPlot::mousePressEvent(QMouseEvent *event)
{
    line::Time from, to;
    if (event->button() != Qt::LeftButton || !visibleRange(from, to))
        return;
    dragX = event->position().toPoint().x();
    dragRight = to;
}

void TrendPlot::mouseMoveEvent(QMouseEvent *event)
{
    cursorX = event->position().toPoint().x();
    line::Time from, to;
    if (dragX >= 0 && (event->buttons() & Qt::LeftButton) && visibleRange(from, to)) {
        const double moved = double(cursorX - dragX) / std::max(plotArea().width(), 1);
        stopFollowing(dragRight - scaled(to - from, moved));
    }
    emit readOut(readOutAt(cursorX));
    update();
}

void TrendPlot::mouseReleaseEvent(QMouseEvent *)
{
    dragX = -1;
}

// Zooms about the time under the cursor.
void TrendPlot::wheelEvent(QWheelEvent *event)
{
    line::Time from, to;
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0 || !visibleRange(from, to))
        return;
    const int x = event->position().toPoint().x();
    const line::Time at = timeAt(x, from, to);
    const double factor = std::pow(ZoomStep, -notches);
    const auto newSpan = std::clamp(scaled(to - from, factor), ShortestSpan, LongestSpan);
    const double keep = double((to - at).count()) / double((to - from).count());
    span = newSpan;
    stopFollowing(at + scaled(newSpan, keep));
    emit readOut(readOutAt(x));
    update();
}

void TrendPlot::leaveEvent(QEvent *)
{
    cursorX = -1;
    refreshReadOut();
    update();
}
