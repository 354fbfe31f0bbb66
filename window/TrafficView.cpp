#include "TrafficView.h"

#include <QHeaderView>

// Setting the header again, now that this class is whole, connects it to the
// slot below instead of the base class's.
TrafficView::TrafficView(QWidget *parent) : QTableView(parent)
{
    setVerticalHeader(new QHeaderView(Qt::Vertical, this));
}

void TrafficView::rowCountChanged(int oldCount, int newCount)
{
    if (newCount < oldCount) { // the oldest went: every row moves
        QTableView::rowCountChanged(oldCount, newCount);
        return;
    }
    updateGeometries();
    const int top = rowViewportPosition(oldCount);
    const int bottom = rowViewportPosition(newCount - 1) + rowHeight(newCount - 1);
    if (top < viewport()->height() && bottom > 0)
        viewport()->update(0, top, viewport()->width(), bottom - top);
}
