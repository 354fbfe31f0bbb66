#pragma once

#include "LineMonitor.h"

#include <QAbstractTableModel>
#include <QModelIndexList>

#include <cstdint>

// The traffic kept by the line monitor as a table, one row per transaction,
// oldest first. It follows the ring by sequence numbers: refresh() drops the
// rows the ring has dropped and adds the new ones, so each costs the same
// however many are kept.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Origin, Request, Reply, Verdict, ResponseTime, Meaning, Columns };
    // The role under which a row gives its transaction's sequence number, which
    // stays as the rows before it are dropped.
    static constexpr int SequenceRole = Qt::UserRole + 1;

    explicit TrafficModel(const line::LineMonitor &monitor, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void refresh();
    // The rows of the given cells, a line each, fields separated by tabs.
    QString rowsAsText(const QModelIndexList &cells) const;

private:
    const line::Transaction *transaction(int row) const;
    QString text(const line::Transaction &t, int column) const;

    const line::LineMonitor &monitor;
    std::uint64_t first = 0, next = 0; // the sequence numbers shown
};
