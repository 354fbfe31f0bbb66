#include "HistoryModel.h"

#include "StepSummary.h"

#include <QBrush>

#include <algorithm>
#include <array>

void HistoryModel::show(const HistoryDb *database, const RunFilter &runFilter)
{
    beginResetModel();
    db = database;
    filter = runFilter;
    pages.clear();
    matching = db ? db->count(filter) : 0;
    endResetModel();
}

const RunRow *HistoryModel::runAt(int row) const
{
    if (!db || row < 0 || row >= matching)
        return nullptr;
    const int number = row / PageSize;
    auto page = std::find_if(pages.begin(), pages.end(),
                             [number](const Page &p) { return p.number == number; });
    if (page == pages.end()) {
        if (pages.size() == PagesKept)
            pages.pop_back();
        pages.push_front({number, db->runs(filter, PageSize, number * PageSize)});
    } else if (page != pages.begin()) {
        std::rotate(pages.begin(), page, page + 1);
    }
    const std::vector<RunRow> &rows = pages.front().rows;
    const std::size_t at = std::size_t(row % PageSize);
    // Fewer than counted: runs removed meanwhile leave their rows empty.
    return at < rows.size() ? &rows[at] : nullptr;
}

std::size_t HistoryModel::rowsKept() const
{
    std::size_t n = 0;
    for (const Page &p : pages)
        n += p.rows.size();
    return n;
}

QString HistoryModel::idAt(int row) const
{
    const RunRow *run = runAt(row);
    return run ? run->id : QString();
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : matching;
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const RunRow *found = runAt(index.row());
    if (!found)
        return {};
    const RunRow &run = *found;
    if (role == Qt::ForegroundRole && index.column() == Outcome)
        return run.outcome == procedures::Outcome::Pass ? QBrush(QColor(0x00, 0x80, 0x00))
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
    case Slot:
        return run.slot;
    case Outcome: // as the verdict line says it, with what the run left untested
        return QString::fromStdString(procedures::verdictWord(run.outcome)) +
               (run.untested.isEmpty() ? QString() : QLatin1Char(' ') + run.untested);
    case Failed:
        return run.failed;
    case Columns:
        break;
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const std::array<const char *, Columns> Titles{
        "Started", "Serial number", "Operator", "Station", "Slot", "Outcome", "Failed"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= Columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return tr(Titles[std::size_t(section)]);
}
