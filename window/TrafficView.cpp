#include "TrafficView.h"

#include <QHeaderView>
#include <QScrollBar>

#include <utility>

TrafficView::TrafficView(QWidget *parent) : QTableView(parent)
{
    setVerticalScrollMode(ScrollPerPixel);
}

void TrafficView::setModel(QAbstractItemModel *model)
{
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

void TrafficView::verticalScrollbarValueChanged(int) {}

// Qt calls this once the rows have been added; the scroll bar's range is all
// that a row added at the end changes, with the row's own rectangle.
void TrafficView::doItemsLayout()
{
    const int first = std::exchange(firstAdded, -1);
    if (std::exchange(relayoutAll, false) || first < 0) {
        QTableView::doItemsLayout();
        return;
    }
    updateGeometries();
    const int top = rowViewportPosition(first);
    QWidget *area = viewport();
    if (top < area->height())
        area->update(0, std::max(top, 0), area->width(), area->height() - std::max(top, 0));
}
