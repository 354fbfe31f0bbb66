#include "TrafficModel.h"

#include "Mbap.h"
#include "Words.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <set>

TrafficModel::TrafficModel(const line::LineMonitor &monitor, QObject *parent)
    : QAbstractTableModel(parent), monitor(monitor)
{
    refresh();
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(next - first);
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

void TrafficModel::refresh()
{
    const line::Traffic &traffic = monitor.traffic();
    const std::uint64_t keptFirst = traffic.firstSequence(), keptNext = traffic.nextSequence();
    if (keptFirst > first) {
        const std::uint64_t dropped = std::min(keptFirst, next) - first;
        if (dropped > 0) {
            beginRemoveRows({}, 0, int(dropped) - 1);
            first += dropped;
            endRemoveRows();
        }
        first = keptFirst;
        next = std::max(next, first);
    }
    if (keptNext > next) {
        beginInsertRows({}, int(next - first), int(keptNext - first) - 1);
        next = keptNext;
        endInsertRows();
    }
}

const line::Transaction *TrafficModel::transaction(int row) const
{
    const line::Traffic &traffic = monitor.traffic();
    const std::uint64_t sequence = first + std::uint64_t(row);
    if (row < 0 || sequence < traffic.firstSequence() || sequence >= traffic.nextSequence())
        return nullptr;
    return &traffic[std::size_t(sequence - traffic.firstSequence())];
}

QString TrafficModel::text(const line::Transaction &t, int column) const
{
    switch (column) {
    case Time:
        return QString::fromStdString(line::timeOfDay(monitor.wallClock()(t.start)));
    case Origin:
        return QString::fromLatin1(line::originWord(t.origin));
    case Request:
        return QString::fromStdString(line::hex(t.request()));
    case Reply:
        return QString::fromStdString(line::hex(t.reply()));
    case Verdict:
        return QString::fromStdString(line::verdictText(t));
    case ResponseTime:
        if (const auto ms = t.responseMs())
            return QString::number(*ms, 'f', 1);
        return {};
    case Meaning:
        return QString::fromStdString(line::meaning(t));
    default:
        return {};
    }
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    const line::Transaction *t = transaction(index.row());
    if (!t)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(*t, index.column());
    case Qt::ToolTipRole: { // the whole of a long reply or meaning
        const std::string words = line::protocolWords(*t);
        if (index.column() == Meaning && !words.empty())
            return text(*t, Meaning) + QLatin1Char('\n') + QString::fromStdString(words);
        return text(*t, index.column());
    }
    case SequenceRole:
        return QVariant::fromValue(first + std::uint64_t(index.row()));
    case Qt::BackgroundRole:
        if (line::modulesFault(t->verdict))
            return QBrush(QColor(0xFF, 0xDD, 0xDD));
        return {};
    case Qt::ForegroundRole:
        if (t->verdict == line::Verdict::Broadcast || t->verdict == line::Verdict::Unsolicited)
            return QBrush(QColor(0x60, 0x60, 0x60));
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == ResponseTime)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const Titles[Columns] = {"Time",    "Origin", "Request", "Reply",
                                                "Verdict", "ms",     "Meaning"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= Columns)
        return {};
    return tr(Titles[section]);
}

QString TrafficModel::rowsAsText(const QModelIndexList &cells) const
{
    std::set<int> rows;
    for (const QModelIndex &cell : cells)
        rows.insert(cell.row());
    QString out;
    for (int row : rows) {
        const line::Transaction *t = transaction(row);
        if (!t)
            continue;
        QStringList fields;
        for (int column = 0; column < Columns; ++column)
            fields.append(text(*t, column));
        out += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return out;
}
