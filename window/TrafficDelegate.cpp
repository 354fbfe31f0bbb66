#include "TrafficDelegate.h"

#include "LaidText.h"

#include <QApplication>
#include <QPainter>

#include <cmath>

void TrafficDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.font.setStyleStrategy(QFont::NoSubpixelAntialias);
    if (cell.font != laidIn) {
        laid.clear();
        seenOnce.clear();
        forgetPictures();
        laidIn = cell.font;
    }
    const QStyle *style = cell.widget ? cell.widget->style() : QApplication::style();
    const QColor grid = QColor::fromRgba(
        QRgb(style->styleHint(QStyle::SH_Table_GridLineColor, &cell, cell.widget)));

    // A plain cell lies on the table's base, its background (if any) one colour.
    // At a fractional scale a cell's edges fall between device pixels, where a
    // picture cannot be put.
    const qreal ratio = painter->device()->devicePixelRatio();
    const Qt::BrushStyle paper = cell.backgroundBrush.style();
    const bool plain = keepPictures && ratio == std::floor(ratio) &&
                       !(cell.state & (QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver)) &&
                       !(cell.features & QStyleOptionViewItem::Alternate) &&
                       (paper == Qt::NoBrush || paper == Qt::SolidPattern);
    const qint64 bytes = qint64(cell.rect.width() * ratio) * qint64(cell.rect.height() * ratio) *
                         painter->device()->depth() / 8;
    if (!plain || bytes > MostBytesAPicture) {
        paintCell(*painter, cell, *style, grid);
        return;
    }
    const Look look{cell.text,
                    cell.rect.size(),
                    cell.palette.color(QPalette::Text).rgba(),
                    paper == Qt::NoBrush ? 0 : cell.backgroundBrush.color().rgba(),
                    cell.palette.color(QPalette::Base).rgba(),
                    grid.rgba(),
                    int(cell.displayAlignment),
                    style};
    if (ratio != picturesRatio) {
        forgetPictures();
        picturesRatio = ratio;
    }
    if (const auto found = pictures.constFind(look); found != pictures.cend()) {
        painter->drawPixmap(cell.rect.topLeft(), *found);
        return;
    }
    // The time and the response time are new in each row; a cell painted again
    // in its own row (scrolled back to, uncovered) is not seen again.
    const quint64 row = index.data(IdentityRole).toULongLong();
    const auto seen = seenOnce.constFind(look);
    if (seen == seenOnce.cend() || *seen == row) {
        if (seenOnce.size() > MostKept)
            seenOnce.clear();
        seenOnce.insert(look, row);
        paintCell(*painter, cell, *style, grid);
        return;
    }
    QPixmap picture(cell.rect.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(cell.palette.color(QPalette::Base));
    {
        QPainter onPicture(&picture);
        QStyleOptionViewItem atOrigin = cell;
        atOrigin.rect.moveTopLeft({0, 0});
        paintCell(onPicture, atOrigin, *style, grid);
    }
    painter->drawPixmap(cell.rect.topLeft(), picture);
    if (pictureBytes + bytes > MostPictureBytes)
        forgetPictures();
    pictures.insert(look, picture);
    pictureBytes += bytes;
    seenOnce.remove(look);
}

void TrafficDelegate::paintCell(QPainter &painter, QStyleOptionViewItem &cell, const QStyle &style,
                                const QColor &grid) const
{
    // The grid along the cell's right and bottom edges, where the table would
    // draw it.
    painter.fillRect(QRect(cell.rect.right(), cell.rect.top(), 1, cell.rect.height()), grid);
    painter.fillRect(QRect(cell.rect.left(), cell.rect.bottom(), cell.rect.width(), 1), grid);
    cell.rect.adjust(0, 0, -1, -1);

    const QString text = cell.text;
    cell.text.clear(); // the style draws the background and the selection only
    style.drawControl(QStyle::CE_ItemViewItem, &cell, &painter, cell.widget);
    if (text.isEmpty())
        return;

    const QRect room = cell.rect.adjusted(3, 0, -3, 0);
    const QStaticText &l = laidOut(cell, text, room.width());
    const bool selected = cell.state & QStyle::State_Selected;
    painter.save();
    painter.setFont(cell.font);
    painter.setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QSizeF size = l.size();
    const qreal x =
        cell.displayAlignment & Qt::AlignRight ? room.right() - size.width() : room.left();
    painter.drawStaticText(QPointF(x, room.top() + (room.height() - size.height()) / 2), l);
    painter.restore();
}

void TrafficDelegate::forgetPictures() const
{
    pictures.clear();
    pictureBytes = 0;
}

const QStaticText &TrafficDelegate::laidOut(const QStyleOptionViewItem &cell, const QString &text,
                                            int room) const
{
    if (laid.size() > MostKept)
        laid.clear();
    auto found = laid.find({room, text});
    if (found == laid.end()) {
        // Most cells fit their column: laying the text out tells, and eliding it
        // first would shape its glyphs twice.
        QStaticText l = laidOutText(text, cell.font);
        if (l.size().width() > room)
            l = laidOutText(cell.fontMetrics.elidedText(text, Qt::ElideRight, room), cell.font);
        found = laid.insert({room, text}, l);
    }
    return *found;
}
