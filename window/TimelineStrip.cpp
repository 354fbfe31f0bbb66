// The timeline's scale is the slowest reply among the marks, rounded up to 1, 2 or 5 times a
// power of ten, not the reply window: a second's window would leave replies of 5 to 30 ms a
// pixel tall. Marks are coloured by the worst transaction of their column:
//  - red: the module's errors (no reply, CRC error, exception, wrong address, garbled), as the
//    table's red rows;
//  - grey: what is not the module's doing (cut short by the tester's next request, port
//    closed, broadcast, unasked bytes), as the table leaves those white;
//  - blue: good replies.
// A column holding a transaction without a response time (no reply, cut short, port closed,
// broadcast, unasked bytes) is drawn full height: it waited as long as anything can. A red or
// grey column is ticked along the top edge as well, so that a CRC error answered in 5 ms shows
// however short its mark.
#include "TimelineStrip.h"

#include "LaidText.h"
#include "LineMonitor.h"
#include "ToolTip.h"
#include "TrafficModel.h"
#include "Words.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTableView>

#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int Margin = 2;
constexpr int TickHeight = 4;
// At least this much room at each end of the words under the marks is kept for
// a time of day; the legend between them is shown only with room to spare.
constexpr int LeastTimesRoom = 100;

QColor colourOf(TimelineColumns::Kind kind)
{
    switch (kind) {
    case TimelineColumns::Kind::Ok:
        break;
    case TimelineColumns::Kind::NotTheModules:
        return {0x9A, 0x9A, 0x9A};
    case TimelineColumns::Kind::Fault:
        return {0xD0, 0x10, 0x10};
    }
    return {0x2E, 0x6D, 0xB4};
}

QString milliseconds(double ms)
{
    return QStringLiteral("%1 ms").arg(ms, 0, 'f', 1);
}

} // namespace

TimelineStrip::TimelineStrip(const line::LineMonitor &monitor, QWidget *parent)
    : QWidget(parent), monitor(monitor), columns_(monitor.traffic())
{
    setObjectName(QStringLiteral("timeline"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    measureTimesRoom();
}

QSize TimelineStrip::sizeHint() const
{
    return {400, 48 + fontMetrics().height() + 2 * Margin};
}

QRect TimelineStrip::plot() const
{
    return rect().adjusted(Margin, Margin, -Margin, -(Margin + fontMetrics().height()));
}

void TimelineStrip::followWidth()
{
    columns_.setWidth(plot().width());
}

QRect TimelineStrip::wordsRow() const
{
    const QRect area = plot();
    return {area.left(), area.bottom() + 1, area.width(), fontMetrics().height()};
}

void TimelineStrip::refresh()
{
    const int wasWidth = columns_.width();
    followWidth();
    const bool empty = monitor.traffic().empty();
    const bool changed = columns_.refresh();
    if (changed || columns_.width() != wasWidth || empty != wasEmpty)
        update();
    wasEmpty = empty;
}

double TimelineStrip::scaleMs() const
{
    const double slowest = columns_.slowestReplyMs();
    double step = 1;
    while (step < slowest) {
        for (const double factor : {2.0, 2.5, 2.0}) { // 1, 2, 5, 10, 20, 50...
            step *= factor;
            if (step >= slowest)
                break;
        }
    }
    return step;
}

void TimelineStrip::paintEvent(QPaintEvent *)
{
    followWidth();
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRect area = plot();
    // The frame and the middle line as filled rectangles: a pen's outline goes
    // through the stroker, at many times the cost.
    const QColor grid(0xD0, 0xD0, 0xD0);
    const QRect frame = area.adjusted(-1, -1, 0, 0);
    for (const QRect &edge : {QRect(frame.left(), frame.top(), frame.width() + 1, 1),
                              QRect(frame.left(), frame.bottom() + 1, frame.width() + 1, 1),
                              QRect(frame.left(), frame.top(), 1, frame.height() + 1),
                              QRect(frame.right() + 1, frame.top(), 1, frame.height() + 1),
                              QRect(area.left(), area.center().y(), area.width(), 1)})
        painter.fillRect(edge, grid);

    const double scale = scaleMs();
    std::array<std::vector<QRect>, 3> marks; // by kind
    for (auto &m : marks)
        m.reserve(std::size_t(2 * columns_.size()));
    for (int i = 0; i < columns_.size(); ++i) {
        const TimelineColumns::Column &c = columns_[i];
        if (c.count == 0)
            continue;
        const int height =
            c.unanswered ? area.height()
                         : std::max(1, int(std::lround(c.slowestReplyMs / scale * area.height())));
        const int x = area.left() + columns_.left(i);
        const int width = columns_.left(i + 1) - columns_.left(i);
        std::vector<QRect> &kind = marks[std::size_t(c.worst)];
        kind.emplace_back(x, area.bottom() + 1 - height, width, height);
        if (c.worst != TimelineColumns::Kind::Ok)
            kind.emplace_back(x, area.top(), width, TickHeight);
    }
    painter.setPen(Qt::NoPen);
    for (std::size_t kind = 0; kind < marks.size(); ++kind) {
        painter.setBrush(colourOf(TimelineColumns::Kind(kind)));
        painter.drawRects(marks[kind].data(), int(marks[kind].size()));
    }

    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect text = wordsRow();
    const line::Traffic &traffic = monitor.traffic();
    if (traffic.empty()) {
        painter.drawText(area, Qt::AlignCenter, tr("No transactions yet"));
        return;
    }
    draw(painter, scaleCaption, QStringLiteral("%1 ms").arg(scale), area.adjusted(3, 0, 0, 0),
         Place::Left, Qt::AlignTop);
    const auto timeOf = [&](const line::Transaction &t) {
        return QString::fromStdString(line::timeOfDay(monitor.wallClock()(t.start))).left(8);
    };
    draw(painter, oldestCaption, timeOf(traffic[0]), text, Place::Left);
    draw(painter, newestCaption, timeOf(traffic.newest()), text, Place::Right);
    const QString legend = tr("height: response time   red: the module's errors   grey: no "
                              "reply expected, or ended by the tester");
    const QRect legendRoom = text.adjusted(timesRoom, 0, -timesRoom, 0);
    if (legendCaption.laidOut(legend, font()).size().width() < legendRoom.width())
        draw(painter, legendCaption, legend, text, Place::Centre);
}

const QStaticText &TimelineStrip::Caption::laidOut(const QString &text, const QFont &font)
{
    if (text != laid.text() || font != laidIn) {
        laid = laidOutText(text, font);
        laidIn = font;
    }
    return laid;
}

void TimelineStrip::draw(QPainter &painter, Caption &caption, const QString &text,
                         const QRect &room, Place place, Qt::Alignment vertical)
{
    const QStaticText &laid = caption.laidOut(text, font());
    const QSizeF size = laid.size();
    const qreal x = place == Place::Left    ? room.left()
                    : place == Place::Right ? room.right() + 1 - size.width()
                                            : room.left() + (room.width() - size.width()) / 2;
    const qreal y =
        vertical & Qt::AlignTop ? room.top() : room.top() + (room.height() - size.height()) / 2;
    painter.drawStaticText(QPointF(std::round(x), std::round(y)), laid);
}

void TimelineStrip::measureTimesRoom()
{
    timesRoom = std::max(LeastTimesRoom,
                         fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 4 * Margin);
}

bool TimelineStrip::event(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        measureTimesRoom();
    return answerToolTip(*this, event, [this](QPoint at) { return toolTipAt(at.x()); }) ||
           QWidget::event(event);
}

QString TimelineStrip::toolTipAt(int x) const
{
    const int column = columns_.columnAt(x - plot().left());
    const line::Traffic &traffic = monitor.traffic();
    if (column < 0 || columns_[column].count == 0)
        return {};
    const TimelineColumns::Column &c = columns_[column];
    // The ring may have moved on since the columns were made.
    const std::uint64_t first = std::max(c.first, traffic.firstSequence());
    const std::uint64_t end = std::min(c.first + c.count, traffic.nextSequence());
    const auto transaction = [&](std::uint64_t s) -> const line::Transaction & {
        return traffic[std::size_t(s - traffic.firstSequence())];
    };
    const auto said = [&](const line::Transaction &t) {
        QString text =
            QStringLiteral("%1 %2: %3")
                .arg(QString::fromStdString(line::timeOfDay(monitor.wallClock()(t.start))),
                     QString::fromLatin1(line::originWord(t.origin)),
                     QString::fromStdString(line::verdictText(t)));
        if (const auto ms = t.responseMs())
            text += QStringLiteral(", ") + milliseconds(*ms);
        return text;
    };
    if (first >= end)
        return {};
    if (end - first == 1)
        return said(transaction(first));
    std::vector<std::pair<std::string, int>> verdicts; // in order of first appearance
    for (std::uint64_t s = first; s < end; ++s) {
        const std::string word = line::verdictText(transaction(s));
        auto found = std::find_if(verdicts.begin(), verdicts.end(),
                                  [&](const auto &v) { return v.first == word; });
        if (found == verdicts.end())
            verdicts.emplace_back(word, 1);
        else
            ++found->second;
    }
    QStringList lines{tr("%1 transactions").arg(end - first)};
    for (const auto &[word, count] : verdicts)
        lines.append(QStringLiteral("%1 × %2").arg(count).arg(QString::fromStdString(word)));
    if (c.slowestReplyMs > 0)
        lines.append(tr("slowest reply %1").arg(milliseconds(c.slowestReplyMs)));
    if (c.mark >= first && c.mark < end)
        lines.append(tr("a click shows %1").arg(said(transaction(c.mark))));
    return lines.join(QLatin1Char('\n'));
}

void TimelineStrip::mousePressEvent(QMouseEvent *event)
{
    const int column = columns_.columnAt(event->position().toPoint().x() - plot().left());
    if (event->button() != Qt::LeftButton || column < 0 || columns_[column].count == 0)
        return QWidget::mousePressEvent(event);
    emit transactionClicked(columns_[column].mark);
}

void TimelineStrip::selectInTable(QTableView &table, std::uint64_t sequence)
{
    const QAbstractItemModel *model = table.model();
    if (!model || model->rowCount() == 0)
        return;
    const std::uint64_t first = model->index(0, 0).data(TrafficModel::SequenceRole).toULongLong();
    if (sequence < first || sequence - first >= std::uint64_t(model->rowCount()))
        return;
    const int row = int(sequence - first);
    table.selectRow(row);
    table.scrollTo(model->index(row, 0), QAbstractItemView::PositionAtCenter);
}
