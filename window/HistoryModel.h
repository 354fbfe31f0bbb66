#pragma once

#include "HistoryDb.h"

#include <QAbstractTableModel>

#include <vector>

// The runs a filter matches, newest first, read from the database a page at a time as the
// view scrolls down: a history of any length costs only what has been seen.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Started, Serial, Operator, Station, Outcome, Failed, Columns };
    static constexpr int PageSize = 200;

    using QAbstractTableModel::QAbstractTableModel;

    // Nothing to show without a database.
    void show(const HistoryDb *db, const RunFilter &filter);
    int total() const { return matching; }
    QString idAt(int row) const;
    const RunRow *runAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    const HistoryDb *db = nullptr;
    RunFilter filter;
    std::vector<RunRow> rows;
    int matching = 0;
};
