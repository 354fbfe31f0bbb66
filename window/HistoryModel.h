#pragma once

#include "HistoryDb.h"

#include <QAbstractTableModel>

#include <deque>
#include <vector>

// The runs a filter matches, newest first, read from the database a page at a time as the
// view asks for rows, and only the few pages last seen kept: a history of any length costs
// the same, wherever the view is scrolled.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Started, Serial, Operator, Station, Slot, Outcome, Failed, Columns };
    static constexpr int PageSize = 200;
    static constexpr std::size_t PagesKept = 5;

    using QAbstractTableModel::QAbstractTableModel;

    // Nothing to show without a database.
    void show(const HistoryDb *db, const RunFilter &filter);
    int total() const { return matching; }
    QString idAt(int row) const;
    // Valid until the next call: the page it lies in may be dropped then.
    const RunRow *runAt(int row) const;
    std::size_t rowsKept() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Page {
        int number = 0;
        std::vector<RunRow> rows;
    };

    const HistoryDb *db = nullptr;
    RunFilter filter;
    int matching = 0;
    mutable std::deque<Page> pages; // the most recently used first
};
