#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <utility>

// Paints the monitor's cells from text laid out once. Following the newest row
// paints each new row, and the line's traffic says the same few things over and
// over: the same requests, replies, verdicts and meanings. A text is shaped
// (and elided to its column) the first time it is seen at a width, and drawn
// from that layout thereafter, in whichever row it appears.
class TrafficDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The role under which the model gives a row's lasting identity.
    static constexpr int IdentityRole = Qt::UserRole + 1;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    static constexpr int MostKept = 4000; // a few screens of cells

    // By the room it was elided to and the text as the model gives it.
    mutable QHash<std::pair<int, QString>, QStaticText> laid;
    mutable QFont laidIn;
};
