#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Paints the monitor's cells from text laid out once. A row never changes once
// it is made, but following the newest row repaints every row in sight: each
// cell's glyphs are shaped (and elided to the column) the first time only.
class TrafficDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The role under which the model gives a row's lasting identity.
    static constexpr int IdentityRole = Qt::UserRole + 1;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    struct Laid {
        QStaticText text;
        int width = -1; // the room it was elided to
    };
    static constexpr int MostKept = 4000; // a few screens of cells

    mutable QHash<quint64, Laid> laid;
};
