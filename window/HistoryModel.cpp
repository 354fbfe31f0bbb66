#include "HistoryModel.h"

#include <QBrush>

#include <array>

void HistoryModel::show(const HistoryDb *database, const RunFilter &runFilter)
{
    beginResetModel();
    db = database;
    filter = runFilter;
    rows.clear();
    matching = db ? db->count(filter) : 0;
    endResetModel();
    if (canFetchMore({}))
        fetchMore({});
}

const RunRow *HistoryModel::runAt(int row) const
{
    return row >= 0 && row < int(rows.size()) ? &rows[std::size_t(row)] : nullptr;
}

QString HistoryModel::idAt(int row) const
{
    const RunRow *run = runAt(row);
    return run ? run->id : QString();
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows.size()))
        return {};
    const RunRow &run = rows[std::size_t(index.row())];
    if (role == Qt::ForegroundRole && index.column() == Outcome)
        return run.outcome == line::Outcome::Pass ? QBrush(QColor(0x00, 0x80, 0x00))
                                                  : QBrush(Qt::red);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (Column(index.column())) {
    case Started:
        return run.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Serial:
        return run.serial;
    case Operator:
        return run.operatorName;
    case Station:
        return run.station;
    case Outcome:
        return QString::fromLatin1(line::outcomeWord(run.outcome)).toUpper();
    case Failed:
        return run.failed;
    case Columns:
        break;
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const std::array<const char *, Columns> Titles{"Started", "Serial number", "Operator",
                                                          "Station", "Outcome",       "Failed"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= Columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return tr(Titles[std::size_t(section)]);
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && db && int(rows.size()) < matching;
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    std::vector<RunRow> page = db->runs(filter, PageSize, int(rows.size()));
    if (page.empty()) { // fewer than counted: the count is what was read
        matching = int(rows.size());
        return;
    }
    beginInsertRows({}, int(rows.size()), int(rows.size() + page.size()) - 1);
    rows.insert(rows.end(), std::make_move_iterator(page.begin()),
                std::make_move_iterator(page.end()));
    endInsertRows();
}
