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
    if (laid.size() > MostKept || cell.font != laidIn) {
        laid.clear();
        laidIn = cell.font;
    }
    auto found = laid.find({room.width(), text});
    if (found == laid.end()) {
        // Most cells fit their column: laying the text out tells, and eliding it
        // first would shape its glyphs twice.
        const auto layOut = [&](const QString &shown) {
            QStaticText l(shown);
            l.setTextFormat(Qt::PlainText);
            l.prepare(QTransform(), cell.font);
            return l;
        };
        QStaticText l = layOut(text);
        if (l.size().width() > room.width())
            l = layOut(cell.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
        found = laid.insert({room.width(), text}, l);
    }
    const QStaticText &l = *found;
    const bool selected = cell.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QSizeF size = l.size();
    const qreal x = cell.displayAlignment & Qt::AlignRight ? room.right() - size.width()
                                                           : room.left();
    painter->drawStaticText(QPointF(x, room.top() + (room.height() - size.height()) / 2), l);
    painter->restore();
}
