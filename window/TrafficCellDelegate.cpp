#include "TrafficCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

namespace {

// The styles known to leave a cell's painting to Qt's common item painting,
// and to give its text the whole cell.
bool paintsCellsAsQtDoes(const QStyle &style)
{
    return qstrcmp(style.metaObject()->className(), "QFusionStyle") == 0;
}

// One line, the width of the room it has.
void layOut(QTextLayout &layout, int width)
{
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(width);
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
}

// As Qt places a single line of text: its own margins inside the cell, elided
// only where it does not fit, and lined up in the cell's height by the size of
// the text as it was before eliding.
void drawText(QPainter &painter, const QStyleOptionViewItem &cell, const QStyle &style)
{
    const int margin = style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
    const QRect room = cell.rect.adjusted(margin, 0, -margin, 0);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(cell.direction);
    textOption.setAlignment(QStyle::visualAlignment(cell.direction, cell.displayAlignment));
    QTextLayout layout(cell.text, cell.font);
    layout.setTextOption(textOption);
    layOut(layout, room.width());
    const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto, cell.displayAlignment,
                                             layout.boundingRect().size().toSize(), room);
    if (layout.lineAt(0).naturalTextWidth() > room.width()) {
        layout.setText(cell.fontMetrics.elidedText(cell.text, cell.textElideMode, room.width()));
        layOut(layout, room.width());
    }
    layout.draw(&painter, QPointF(room.x(), placed.top()));
}

} // namespace

bool TrafficCellDelegate::paintsItself(const QStyleOptionViewItem &cell, const QStyle &style)
{
    constexpr auto TextAlone = QStyleOptionViewItem::HasDisplay;
    return paintsCellsAsQtDoes(style) && cell.showDecorationSelected &&
           (cell.features & ~QStyleOptionViewItem::ViewItemFeatures(TextAlone)) == 0 &&
           !(cell.state & (QStyle::State_HasFocus | QStyle::State_Editing)) &&
           !cell.text.contains(QChar::LineSeparator) && !cell.text.contains(QLatin1Char('\n'));
}

void TrafficCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QStyle &style = cell.widget ? *cell.widget->style() : *QApplication::style();
    if (!paintsItself(cell, style)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    painter->save();
    painter->setClipRect(cell.rect, Qt::IntersectClip);
    style.drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, cell.widget);
    if (!cell.text.isEmpty()) {
        QPalette::ColorGroup group =
            cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(cell.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected
                                                      ? QPalette::HighlightedText
                                                      : QPalette::Text));
        drawText(*painter, cell, style);
    }
    painter->restore();
}
