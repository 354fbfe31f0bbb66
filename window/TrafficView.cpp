#include "TrafficView.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <utility>

TrafficView::TrafficView(QWidget *parent) : QTableView(parent)
{
    // Whole rows: the top row is never cut, following the newest or not.
    setVerticalScrollMode(ScrollPerItem);
    // The row under the pointer is kept whatever the style, so that a style
    // that highlights it can; those that do not draw nothing more.
    viewport()->setAttribute(Qt::WA_Hover);
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
