#pragma once

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <utility>

// Paints the monitor's cells. Following the newest row paints each new row, and
// the line's traffic says the same few things over and over: the same requests,
// replies, verdicts and meanings. A text is shaped (and elided to its column)
// the first time it is seen at a width, and drawn from that layout thereafter; a
// plain cell (neither selected nor current) seen a second time is kept as a
// picture, so that showing it again is one copy instead of a glyph at a time.
// It draws the table's grid lines with each cell (the table shows no grid).
class TrafficDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The role under which the model gives a row's lasting identity.
    static constexpr int IdentityRole = Qt::UserRole + 1;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // Everything a plain cell's look depends on.
    struct Look {
        QString text;
        QSize size;
        QRgb ink = 0, paper = 0, base = 0;
        int alignment = 0;
        bool operator==(const Look &o) const
        {
            return text == o.text && size == o.size && ink == o.ink && paper == o.paper &&
                   base == o.base && alignment == o.alignment;
        }
    };

private:
    void paintCell(QPainter &painter, QStyleOptionViewItem &cell) const;
    void forgetPictures() const;
    const QStaticText &laidOut(const QStyleOptionViewItem &cell, const QString &text,
                               int room) const;

    static constexpr int MostKept = 4000; // a few screens of cells
    // The pictures' memory, a few hundred cells; the meaning's column may be wide.
    static constexpr qint64 MostPictureBytes = 4 << 20;

    // By the room it was elided to and the text as the model gives it.
    mutable QHash<std::pair<int, QString>, QStaticText> laid;
    mutable QFont laidIn;
    mutable QSet<Look> seenOnce;
    mutable QHash<Look, QPixmap> pictures;
    mutable qint64 pictureBytes = 0;
    mutable qreal picturesRatio = 0;
};

inline size_t qHash(const TrafficDelegate::Look &look, size_t seed = 0)
{
    return qHashMulti(seed, look.text, look.size.width(), look.size.height(), look.ink,
                      look.paper, look.base, look.alignment);
}
