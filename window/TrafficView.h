#pragma once

#include <QTableView>

// The monitor's table. Its model only ever adds rows at the end, and drops the
// oldest once the ring is full. Qt's table lays itself out again for each row
// added and repaints every row in sight, although none of them changed: here a
// row added at the end paints that row alone, when it is in sight, and
// following the newest row scrolls what is shown (a copy on screen) and paints
// the strip it uncovers. It scrolls by pixels, so that the newest row sits on
// the bottom edge and that strip is the new row alone. Anything else the model
// does is laid out as usual.
class TrafficView : public QTableView {
    Q_OBJECT
public:
    explicit TrafficView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    void doItemsLayout() override;

protected:
    // Qt asks the X server where the pointer is at every step of the scroll bar,
    // to move the row it highlights under the pointer, and repaints both rows;
    // this table highlights no row under the pointer (TrafficDelegate).
    void verticalScrollbarValueChanged(int value) override;

private:
    void rowsAdded(int first);
    void changedOtherwise() { relayoutAll = true; }

    int firstAdded = -1; // the first row added since the last layout, -1 for none
    bool relayoutAll = false;
};
