#pragma once

#include <QTableView>

#include <optional>

// The monitor's table. Its model only ever adds rows at the end, and drops the
// oldest once the ring is full. Qt's table lays itself out again for each row
// added and repaints every row in sight, although none of them changed: here a
// row added at the end paints that row alone, when it is in sight, and
// following the newest row scrolls what is shown (a copy on screen) and paints
// the strip it uncovers, a row tall. It scrolls by whole rows, its top row lined
// up with its top edge, so that the top row is never cut. Anything else the
// model does is laid out as usual. As it scrolls under a pointer that stands
// still, it finds the row under the pointer again from where the pointer was
// last seen, not by asking the display, and not at all when the pointer is
// elsewhere, nor where the style draws no row under the pointer apart.
class TrafficView : public QTableView {
    Q_OBJECT
public:
    explicit TrafficView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    void doItemsLayout() override;

    // Whether the style, as set on this view, paints a cell under the pointer
    // otherwise than the rest: asked once, by painting a cell both ways.
    bool styleDrawsHover() const;

protected:
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    bool viewportEvent(QEvent *event) override;
    void verticalScrollbarValueChanged(int value) override;
    void changeEvent(QEvent *event) override;

private:
    void lineUpTopRow();
    void rowsAdded(int first);
    void changedOtherwise() { relayoutAll = true; }

    int firstAdded = -1; // the first row added since the last layout, -1 for none
    bool relayoutAll = false;
    std::optional<QPointF> pointer; // on the screen, while over the table and seen there
    mutable std::optional<bool> drawsHover; // the style's answer, until it changes
};
