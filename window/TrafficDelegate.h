#pragma once

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QStaticText>
#include <QStyle>
#include <QStyledItemDelegate>

#include <utility>

// Paints the monitor's cells. Following the newest row paints each new row, and
// the line's traffic says the same few things over and over: the same requests,
// replies, verdicts and meanings. A text is shaped (and elided to its column)
// the first time it is seen at a width, and drawn from that layout thereafter; a
// plain cell (neither selected nor current) seen in a second row is kept as a
// picture, so that showing it again is one copy instead of a glyph at a time.
// It draws the table's grid lines with each cell (the table shows no grid), so
// that the picture holds them. Text drawn into a picture cannot be antialiased
// by subpixel, so the cells' text never is: a table mixing the two would change
// look from row to row.
class TrafficDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Without pictures, every cell is painted afresh: what the pictures must
    // look like.
    enum class Pictures { Kept, None };
    explicit TrafficDelegate(Pictures pictures = Pictures::Kept, QObject *parent = nullptr)
        : QStyledItemDelegate(parent), keepPictures(pictures == Pictures::Kept)
    {
    }

    // The role under which the model gives a row's lasting identity.
    static constexpr int IdentityRole = Qt::UserRole + 1;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // Everything a plain cell's look depends on.
    struct Look {
        QString text;
        QSize size;
        QRgb ink = 0, paper = 0, base = 0, grid = 0;
        int alignment = 0;
        const QStyle *style = nullptr;
        bool operator==(const Look &o) const
        {
            return text == o.text && size == o.size && ink == o.ink && paper == o.paper &&
                   base == o.base && grid == o.grid && alignment == o.alignment && style == o.style;
        }
    };

private:
    void paintCell(QPainter &painter, QStyleOptionViewItem &cell, const QStyle &style,
                   const QColor &grid) const;
    void forgetPictures() const;
    const QStaticText &laidOut(const QStyleOptionViewItem &cell, const QString &text,
                               int room) const;

    static constexpr int MostKept = 4000; // a few screens of cells
    // The pictures' memory: a few hundred cells. A cell larger than a picture may
    // be (the meaning's column stretched on a wide screen) is painted each time.
    static constexpr qint64 MostPictureBytes = 8 << 20;
    static constexpr qint64 MostBytesAPicture = 256 << 10;

    const bool keepPictures;
    // By the room it was elided to and the text as the model gives it.
    mutable QHash<std::pair<int, QString>, QStaticText> laid;
    mutable QFont laidIn;
    mutable QHash<Look, quint64> seenOnce; // in the row of this identity
    mutable QHash<Look, QPixmap> pictures;
    mutable qint64 pictureBytes = 0;
    mutable qreal picturesRatio = 0;
};

inline size_t qHash(const TrafficDelegate::Look &look, size_t seed = 0)
{
    return qHashMulti(seed, look.text, look.size.width(), look.size.height(), look.ink, look.paper,
                      look.base, look.grid, look.alignment, look.style);
}
