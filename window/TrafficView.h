#pragma once

#include <QTableView>

// The monitor's table. Rows come at the end, one or two a second, while older
// ones stay as they were: only the new rows are painted, and following the
// newest scrolls what is there instead of painting it again. A plain table
// view paints every visible row for each row added.
class TrafficView : public QTableView {
    Q_OBJECT
public:
    explicit TrafficView(QWidget *parent = nullptr);

protected slots:
    // Takes the place of QTableView's slot of that name, which the vertical
    // header's section count is connected to by name.
    void rowCountChanged(int oldCount, int newCount);
};
