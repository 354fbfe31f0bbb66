#include "TrendPlot.h"

#include "TrendPlotLook.h"
#include "Words.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

// The view: what span is shown, following the newest reading or panned and zoomed by the
// mouse, and the cursor's read-out. The drawing is in TrendPlotScales.cpp and
// TrendPlotTraces.cpp.

namespace {

using namespace std::chrono_literals;
using namespace trendplot;
using figures::Signal;
using figures::SignalKind;

constexpr int LaneGap = 4;
constexpr line::Time::duration ShortestSpan = 10s;
constexpr line::Time::duration LongestSpan = 48h;
constexpr double ZoomStep = 1.25; // one notch of the wheel

line::Time::duration scaled(line::Time::duration d, double factor)
{
    return std::chrono::duration_cast<line::Time::duration>(
        std::chrono::duration<double, line::Time::period>(double(d.count()) * factor));
}

} // namespace

TrendPlot::TrendPlot(const figures::Trend &trend, line::WallClock wallClock, QWidget *parent)
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

QString TrendPlot::readOutAt(int x) const
{
    line::Time from, to;
    if (!visibleRange(from, to))
        return {};
    const line::Time t = timeAt(x, from, to);
    // The reading nearest the cursor, when one is near enough to speak for it.
    const auto nearest = [&](const figures::TrendRing &ring) -> const figures::TrendReading * {
        const std::size_t i = ring.firstFrom(t);
        const figures::TrendReading *best = nullptr;
        for (std::size_t k : {i - 1, i})
            if (k < ring.size() &&
                (!best || std::chrono::abs(ring[k].time - t) < std::chrono::abs(best->time - t)))
                best = &ring[k];
        return best && std::chrono::abs(best->time - t) <= figures::Trend::JoinLimit ? best
                                                                                     : nullptr;
    };
    QString text = QString::fromStdString(line::timeOfDay(trend.wallTimeOf(t, wallClock))).left(8);
    const figures::TrendReading *inputs = nearest(trend.inputs());
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
    const figures::TrendReading *relays = nearest(trend.relays());
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
