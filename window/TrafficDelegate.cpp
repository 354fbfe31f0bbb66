#include "TrafficDelegate.h"

#include <QApplication>
#include <QPainter>

void TrafficDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // Following the newest row moves the rows under a pointer that stands still:
    // a row under the pointer would be highlighted wrongly until it moved.
    cell.state &= ~QStyle::State_MouseOver;
    const QString text = cell.text;
    cell.text.clear(); // the style draws the background and the selection only
    const QStyle *style = cell.widget ? cell.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
    if (text.isEmpty())
        return;

    const QRect room = cell.rect.adjusted(3, 0, -3, 0);
    const quint64 key = (index.data(IdentityRole).toULongLong() << 4) | quint64(index.column());
    if (laid.size() > MostKept)
        laid.clear();
    Laid &l = laid[key];
    if (l.width != room.width()) {
        l.text = QStaticText(cell.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
        l.text.setTextFormat(Qt::PlainText);
        l.text.prepare(QTransform(), cell.font);
        l.width = room.width();
    }
    const bool selected = cell.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QSizeF size = l.text.size();
    const qreal x = cell.displayAlignment & Qt::AlignRight ? room.right() - size.width()
                                                           : room.left();
    painter->drawStaticText(QPointF(x, room.top() + (room.height() - size.height()) / 2), l.text);
    painter->restore();
}
