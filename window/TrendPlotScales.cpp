#include "TrendPlot.h"

#include "TrendPlotLook.h"
#include "Words.h"

#include <QPainter>

#include <array>

// The plot's frame: the value scales, the lanes' names, the legend and the time axis.

namespace {

using namespace trendplot;
using figures::Signal;
using figures::SignalKind;

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

// Ticks on whole multiples of the step in wall-clock seconds, for each clock
// epoch in view on its own offset.
void TrendPlot::drawTimeAxis(QPainter &p, line::Time from, line::Time to)
{
    const QRect area = plotArea();
    const auto step = tickStep(to - from, area.width());
    const int textWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00"));
    const std::vector<figures::ClockEpoch> &epochs = trend.epochs();
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
