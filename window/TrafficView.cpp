#include "TrafficView.h"

#include <QHeaderView>
#include <QHoverEvent>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>
#include <QStyleOptionSlider>

#include <algorithm>
#include <utility>

namespace {

// A scroll bar whose value or range changes repaint where its slider's ends
// and middle were and where they are now, not the whole bar: the table's range
// and value change with every row added, and a fill taller than about 96 lines
// is shared out to Qt's painting threads, waking them each time. Between its
// ends, a slider looks the same all along its length, but for a grip in the
// middle that some styles draw.
class SliderScrollBar final : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override
    {
        if ((change != SliderRangeChange && change != SliderValueChange) || painted.isNull()) {
            QScrollBar::sliderChange(change); // repaints it all
            return;
        }
        QRegion dirty;
        const QRect slider = part(QStyle::SC_ScrollBarSlider);
        if (slider != painted) {
            const bool vertical = orientation() == Qt::Vertical;
            const auto along = [vertical](const QRect &r) {
                return vertical ? std::pair(r.top(), r.bottom()) : std::pair(r.left(), r.right());
            };
            // The band across the bar from one place along it to another, and a
            // margin either side: styles draw the slider's edge a little outside
            // its rectangle, and a grip a few pixels long.
            const auto band = [&](int from, int to, int margin) {
                const int low = std::min(from, to) - margin, high = std::max(from, to) + margin;
                return vertical ? QRect(0, low, width(), high - low + 1)
                                : QRect(low, 0, high - low + 1, height());
            };
            constexpr int Edge = 4, Grip = 8;
            const auto [wasFirst, wasLast] = along(painted);
            const auto [first, last] = along(slider);
            dirty += band(wasFirst, first, Edge);
            dirty += band(wasLast, last, Edge);
            dirty += band((wasFirst + wasLast) / 2, (first + last) / 2, Grip);
        }
        // Some styles grey an arrow that can go no further. A row added makes the
        // range grow before the value follows it: only the arrows go with that.
        const int changed = ends() ^ paintedEnds;
        if (changed & AtMinimum)
            dirty += part(QStyle::SC_ScrollBarSubLine);
        if (changed & AtMaximum)
            dirty += part(QStyle::SC_ScrollBarAddLine);
        // With many rows, most rows added move the slider by less than a pixel.
        if (!dirty.isEmpty())
            update(dirty);
    }
    void paintEvent(QPaintEvent *event) override
    {
        QScrollBar::paintEvent(event);
        painted = part(QStyle::SC_ScrollBarSlider);
        paintedEnds = ends();
    }

private:
    enum End { AtMinimum = 1, AtMaximum = 2 };
    int ends() const
    {
        return (value() == minimum() ? AtMinimum : 0) | (value() == maximum() ? AtMaximum : 0);
    }
    QRect part(QStyle::SubControl control) const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, control, this);
    }

    QRect painted; // the slider as last painted
    int paintedEnds = 0;
};

} // namespace

TrafficView::TrafficView(QWidget *parent) : QTableView(parent)
{
    // Whole rows: the top row is never cut, following the newest or not.
    setVerticalScrollMode(ScrollPerItem);
    // The row under the pointer is kept whatever the style, so that a style
    // that highlights it can; those that do not draw nothing more.
    viewport()->setAttribute(Qt::WA_Hover);
    // The view's own connections stay with the bar it replaces.
    setVerticalScrollBar(new SliderScrollBar(Qt::Vertical, this));
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &TrafficView::verticalScrollbarAction);
    // Among them, finding the row under the pointer again as the table scrolls.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TrafficView::verticalScrollbarValueChanged);
}

void TrafficView::setModel(QAbstractItemModel *model)
{
    if (model == this->model())
        return; // as Qt's own does; cutting the connections below would leave it deaf
    if (QAbstractItemModel *old = this->model())
        disconnect(old, nullptr, this, nullptr);
    QTableView::setModel(model);
    firstAdded = -1;
    relayoutAll = true;
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &parent, int first, int last) {
                if (parent.isValid() || last + 1 != this->model()->rowCount())
                    changedOtherwise();
                else
                    rowsAdded(first);
            });
    const auto otherwise = [this] { changedOtherwise(); };
    connect(model, &QAbstractItemModel::rowsRemoved, this, otherwise);
    connect(model, &QAbstractItemModel::rowsMoved, this, otherwise);
    connect(model, &QAbstractItemModel::columnsInserted, this, otherwise);
    connect(model, &QAbstractItemModel::columnsRemoved, this, otherwise);
    connect(model, &QAbstractItemModel::modelReset, this, otherwise);
    connect(model, &QAbstractItemModel::layoutChanged, this, otherwise);
}

void TrafficView::rowsAdded(int first)
{
    if (firstAdded < 0 || first < firstAdded)
        firstAdded = first;
}

// Qt calls this once the rows have been added; the scroll bar's range is all
// that a row added at the end changes, with the row's own rectangle.
void TrafficView::doItemsLayout()
{
    const int first = std::exchange(firstAdded, -1);
    if (std::exchange(relayoutAll, false) || first < 0) {
        QTableView::doItemsLayout(); // repaints all that is shown
        lineUpTopRow();
        return;
    }
    updateGeometries();
    const int top = rowViewportPosition(first);
    QWidget *area = viewport();
    if (top < area->height())
        area->update(0, std::max(top, 0), area->width(), area->height() - std::max(top, 0));
}

// Scrolled by whole rows, Qt still lines the last row up with the bottom edge
// whenever the scroll bar is at its end (as it scrolls, and as it lays the
// table out), which cuts the top row part-way. Here the top row is lined up
// with the top edge at every value, the end's too: the last row shows whole,
// with what room is left under it.
void TrafficView::lineUpTopRow()
{
    verticalHeader()->setOffsetToSectionPosition(verticalScrollBar()->value());
}

void TrafficView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, 0);
    if (dy == 0)
        return;
    const int was = verticalHeader()->offset();
    lineUpTopRow();
    viewport()->scroll(0, was - verticalHeader()->offset());
}

void TrafficView::updateGeometries()
{
    const int was = verticalHeader()->offset();
    QTableView::updateGeometries();
    lineUpTopRow();
    if (verticalHeader()->offset() != was)
        viewport()->update();
}

bool TrafficView::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::MouseMove:
        if (event->isSinglePointEvent())
            pointer = static_cast<QSinglePointEvent *>(event)->globalPosition();
        break;
    case QEvent::Leave:
    case QEvent::HoverLeave:
        pointer.reset();
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(event);
}

// Qt asks the display where the pointer is at every step of the scroll bar, a
// round trip each row the table follows, to find the row under it again, and
// repaints the row it leaves and the row it meets: two rows more than the one
// added, for each row followed. The pointer's place is known from the events
// it sent, as long as hover events follow it: where it stands still, a hover
// move there finds the row now under it, as moving it would. Where the style
// paints that row as any other, there is nothing to find.
void TrafficView::verticalScrollbarValueChanged(int value)
{
    if (!viewport()->underMouse() || !styleDrawsHover()) { // no highlight to move
        if (value == verticalScrollBar()->maximum() && model() && model()->canFetchMore(rootIndex()))
            model()->fetchMore(rootIndex());
        return;
    }
    if (!pointer || !viewport()->testAttribute(Qt::WA_Hover)) {
        QTableView::verticalScrollbarValueChanged(value);
        return;
    }
    const QPointF at = viewport()->mapFromGlobal(*pointer);
    if (!viewport()->rect().contains(at.toPoint()))
        return; // dragged out with a button held; as Qt, nothing under it to find
    QHoverEvent still(QEvent::HoverMove, at, *pointer, at);
    QTableView::viewportEvent(&still);
}

bool TrafficView::styleDrawsHover() const
{
    if (drawsHover)
        return *drawsHover;
    QStyleOptionViewItem cell;
    initViewItemOption(&cell);
    cell.rect = QRect(0, 0, 24, 16);
    cell.text = QStringLiteral("0");
    cell.features |= QStyleOptionViewItem::HasDisplay;
    cell.state |= QStyle::State_Enabled | QStyle::State_Active;
    // As the table paints a cell: its row's panel, then the cell.
    const auto painted = [this](const QStyleOptionViewItem &option) {
        QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
        style()->drawControl(QStyle::CE_ItemViewItem, &option, &painter, this);
        return image;
    };
    QStyleOptionViewItem hovered = cell;
    hovered.state |= QStyle::State_MouseOver;
    drawsHover = painted(cell) != painted(hovered);
    return *drawsHover;
}

void TrafficView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::StyleChange)
        drawsHover.reset(); // a style sheet sends this too
    QTableView::changeEvent(event);
}
