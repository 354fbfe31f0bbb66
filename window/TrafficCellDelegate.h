#pragma once

#include <QStyledItemDelegate>

// The monitor's cells, painted as Qt's own delegate paints them, with each
// cell's text laid out once instead of three times. Qt's item painting lays the
// text out to find its size (for the places of a check box, an icon and the
// text), again to elide it and again to draw it; in a table cell holding text
// alone, under a style that gives the text the whole cell, its size moves
// nothing, and a text that fits needs no eliding. The style still paints the
// cell's panel (selection, the row under the pointer, the background a failed
// transaction gets) and chooses the colours. Any other cell (a focus frame, an
// icon, a check box, several lines) and any other style, whose painting may be
// its own, goes to Qt's delegate.
class TrafficCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // Whether this cell is painted here rather than by Qt's delegate.
    static bool paintsItself(const QStyleOptionViewItem &cell, const QStyle &style);
};
