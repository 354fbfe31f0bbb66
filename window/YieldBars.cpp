#include "YieldBars.h"

#include "ToolTip.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Gap = 6;        // between bars
constexpr int WidestBar = 48; // a few days' bars stay bars, not blocks

const QColor BarColour(0x00, 0x80, 0x00); // PASS's green in the runs' table

} // namespace

YieldBars::YieldBars(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("yieldBars"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QString YieldBars::percent(const std::optional<double> &yield)
{
    return yield ? QStringLiteral("%1 %").arg(*yield * 100, 0, 'f', 1) : QString();
}

QSize YieldBars::minimumSizeHint() const
{
    return {8 * pitch(), 6 * fontMetrics().height()};
}

QSize YieldBars::sizeHint() const
{
    return {30 * pitch(), 10 * fontMetrics().height()};
}

void YieldBars::setDays(std::vector<figures::DayYield> days)
{
    days_ = std::move(days);
    update();
}

int YieldBars::axisWidth() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("100 %")) + 6;
}

// Below the caption and the runs written above a full bar; above the days' names, and
// their years when the days shown span more than one.
QRect YieldBars::plot() const
{
    const int line = fontMetrics().height();
    const int below = yearsDiffer() ? 2 * line + 2 : line + 2;
    return rect().adjusted(axisWidth(), 2 * line + 2, -4, -below);
}

// Days are "2026-12-07": the year is the first four characters.
bool YieldBars::yearsDiffer() const
{
    const int first = firstShown();
    return first < int(days_.size()) &&
           days_[std::size_t(first)].day.substr(0, 4) != days_.back().day.substr(0, 4);
}

QString YieldBars::yearLabel(int day) const
{
    const int first = firstShown();
    if (!yearsDiffer() || day < first || day >= int(days_.size()))
        return {};
    const std::string year = days_[std::size_t(day)].day.substr(0, 4);
    if (day > first && days_[std::size_t(day) - 1].day.substr(0, 4) == year)
        return {};
    return QString::fromStdString(year);
}

QString YieldBars::caption() const
{
    const int first = firstShown();
    QString text = tr("First-pass yield per day; above each bar, its runs");
    if (first < int(days_.size()) && !yearsDiffer())
        text += QStringLiteral(", %1").arg(QString::fromStdString(days_.back().day.substr(0, 4)));
    if (first > 0)
        text += tr(" (the latest %1 of %2 days)").arg(int(days_.size()) - first).arg(days_.size());
    return text;
}

// Each day's slot is wide enough for its name.
int YieldBars::pitch() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("00-00")) + Gap;
}

int YieldBars::firstShown() const
{
    const int room = std::max((width() - axisWidth() - 4) / pitch(), 0);
    return std::max(int(days_.size()) - room, 0);
}

int YieldBars::slotLeft(int day) const
{
    return plot().left() + (day - firstShown()) * pitch();
}

QRect YieldBars::bar(int day) const
{
    if (day < firstShown() || day >= int(days_.size()))
        return {};
    const auto yield = days_[std::size_t(day)].firstPassYield();
    if (!yield)
        return {};
    const QRect area = plot();
    // A yield of nought is a line on the floor, not the absence of a bar.
    const int height = std::max(2, int(std::lround(*yield * area.height())));
    const int width = std::min(pitch() - Gap, WidestBar);
    return {slotLeft(day) + (pitch() - width) / 2, area.bottom() + 1 - height, width, height};
}

QRect YieldBars::runsLabel(int day) const
{
    if (day < firstShown() || day >= int(days_.size()))
        return {};
    const QRect b = bar(day);
    const int top = b.isNull() ? plot().bottom() + 1 : b.top();
    const int line = fontMetrics().height();
    return {slotLeft(day), top - line, pitch(), line};
}

void YieldBars::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = plot();
    const int line = fontMetrics().height();
    const QColor faint = palette().color(QPalette::PlaceholderText);

    const int first = firstShown();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(area.left(), 0, width() - area.left(), line), Qt::AlignLeft, caption());

    painter.setPen(faint);
    for (const int share : {0, 50, 100}) {
        const int y = area.bottom() - share * (area.height() - 1) / 100;
        painter.drawLine(area.left(), y, area.right(), y);
        painter.drawText(QRect(0, y - line / 2, area.left() - 4, line),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 %").arg(share));
    }
    for (int day = first; day < int(days_.size()); ++day) {
        const figures::DayYield &d = days_[std::size_t(day)];
        const QRect b = bar(day);
        if (!b.isNull())
            painter.fillRect(b, BarColour);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(runsLabel(day), Qt::AlignHCenter | Qt::AlignBottom,
                         QString::number(d.runs));
        painter.setPen(faint);
        // "12-07": the year is in the caption, or under the first day of each year.
        painter.drawText(QRect(slotLeft(day), area.bottom() + 2, pitch(), line), Qt::AlignHCenter,
                         QString::fromStdString(d.day).mid(5));
        painter.drawText(QRect(slotLeft(day), area.bottom() + 2 + line, pitch(), line),
                         Qt::AlignHCenter, yearLabel(day));
    }
    if (days_.empty()) {
        painter.setPen(faint);
        painter.drawText(area, Qt::AlignCenter, tr("No runs"));
    }
}

bool YieldBars::event(QEvent *event)
{
    return answerToolTip(*this, event, [this](QPoint at) { return toolTipAt(at); }) ||
           QWidget::event(event);
}

QString YieldBars::toolTipAt(QPoint pos) const
{
    const int day = firstShown() + (pos.x() - plot().left()) / pitch();
    if (pos.x() < plot().left() || day >= int(days_.size()))
        return {};
    const figures::DayYield &d = days_[std::size_t(day)];
    const QString runs = d.runs == 1 ? tr("1 run") : tr("%1 runs").arg(d.runs);
    if (!d.firstPassYield())
        return tr("%1: %2, no serial number to judge").arg(QString::fromStdString(d.day), runs);
    return tr("%1: first-pass yield %2 of %3 serial numbers; %4")
        .arg(QString::fromStdString(d.day), percent(d.firstPassYield()))
        .arg(d.serials)
        .arg(runs);
}
