#include "TimelineColumns.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// A span shrunk to this share of the width is scanned again at the finer slice; the margin
// keeps a span near half the width from scanning and merging by turns.
constexpr int FinerBelowEighths = 3;

// A transaction without a response time outranks any reply as a column's mark.
constexpr float Unanswered = 1e30F;

} // namespace

TimelineColumns::Kind TimelineColumns::kindOf(line::Verdict verdict)
{
    if (line::modulesFault(verdict))
        return Kind::Fault;
    return verdict == line::Verdict::Ok ? Kind::Ok : Kind::NotTheModules;
}

TimelineColumns::TimelineColumns(const line::Traffic &traffic) : traffic(traffic) {}

const line::Transaction &TimelineColumns::at(std::uint64_t sequence) const
{
    return traffic[std::size_t(sequence - traffic.firstSequence())];
}

std::int64_t TimelineColumns::slice(const line::Transaction &t) const
{
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(t.start.time_since_epoch());
    return floorDiv(us.count(), std::int64_t{1} << level);
}

void TimelineColumns::setWidth(int width)
{
    if (width == pixels)
        return;
    pixels = std::max(width, 0);
    scan();
}

void TimelineColumns::scan()
{
    ++scanCount;
    columns.clear();
    next = traffic.firstSequence();
    level = 0;
    if (pixels == 0 || traffic.empty())
        return;
    while (slice(traffic.newest()) - slice(traffic[0]) >= pixels)
        ++level;
    for (; next < traffic.nextSequence(); ++next)
        add(next);
}

bool TimelineColumns::refresh()
{
    if (pixels == 0)
        return false;
    const std::uint64_t keptFirst = traffic.firstSequence(), keptNext = traffic.nextSequence();
    if (keptFirst > next) { // dropped some never taken in
        scan();
        return true;
    }
    if (keptNext == next && (columns.empty() || columns.front().first >= keptFirst))
        return false;
    drop(keptFirst);
    if (level > 0 && size() * 8 < pixels * FinerBelowEighths) {
        scan();
        return true;
    }
    for (; next < keptNext; ++next)
        add(next);
    return true;
}

// Columns wholly dropped go; the one the ring now starts in is folded again from what is kept.
void TimelineColumns::drop(std::uint64_t keptFirst)
{
    while (!columns.empty() && (columns.front().count == 0 ||
                                columns.front().first + columns.front().count <= keptFirst)) {
        columns.pop_front();
        ++firstSlice;
    }
    if (columns.empty() || columns.front().first >= keptFirst)
        return;
    Column &front = columns.front();
    const std::uint64_t end = front.first + front.count;
    front = Column();
    for (std::uint64_t s = keptFirst; s < end; ++s)
        fold(front, s);
}

void TimelineColumns::add(std::uint64_t sequence)
{
    std::int64_t s = slice(at(sequence));
    if (columns.empty())
        firstSlice = s;
    while (s - firstSlice >= pixels) {
        coarsen();
        s = slice(at(sequence));
    }
    // A transaction timed before the first column (the clock read out of turn) joins it.
    s = std::max(s, firstSlice);
    while (s - firstSlice >= size())
        columns.emplace_back();
    fold(columns[std::size_t(s - firstSlice)], sequence);
}

void TimelineColumns::fold(Column &column, std::uint64_t sequence) const
{
    const line::Transaction &t = at(sequence);
    const auto ms = t.responseMs();
    const float height = ms ? float(*ms) : Unanswered;
    const Kind kind = kindOf(t.verdict);
    if (column.count++ == 0)
        column.first = sequence;
    if (ms)
        column.slowestReplyMs = std::max(column.slowestReplyMs, height);
    else
        column.unanswered = true;
    if (kind > column.worst || (kind == column.worst && height > column.markHeight)) {
        column.worst = kind;
        column.markHeight = height;
        column.mark = sequence;
    }
}

// Twice the time a column: each pair of neighbours on the clock's slices becomes one.
void TimelineColumns::coarsen()
{
    ++level;
    const std::int64_t newFirst = floorDiv(firstSlice, 2);
    std::deque<Column> merged(std::size_t(floorDiv(firstSlice + size() - 1, 2) - newFirst + 1));
    for (int i = 0; i < size(); ++i) {
        const Column &b = columns[std::size_t(i)];
        Column &a = merged[std::size_t(floorDiv(firstSlice + i, 2) - newFirst)];
        if (b.count == 0)
            continue;
        if (a.count == 0) {
            a = b;
            continue;
        }
        a.count += b.count;
        a.unanswered = a.unanswered || b.unanswered;
        a.slowestReplyMs = std::max(a.slowestReplyMs, b.slowestReplyMs);
        if (b.worst > a.worst || (b.worst == a.worst && b.markHeight > a.markHeight)) {
            a.worst = b.worst;
            a.markHeight = b.markHeight;
            a.mark = b.mark;
        }
    }
    columns.swap(merged);
    firstSlice = newFirst;
}

int TimelineColumns::left(int column) const
{
    // Rounded up, so that columnAt() of a column's first pixel is that column.
    return size() == 0 ? 0 : int((std::int64_t{column} * pixels + size() - 1) / size());
}

int TimelineColumns::columnAt(int x) const
{
    if (x < 0 || x >= pixels || size() == 0)
        return -1;
    return int(std::int64_t{x} * size() / pixels);
}

float TimelineColumns::slowestReplyMs() const
{
    float slowest = 0;
    for (const Column &c : columns)
        slowest = std::max(slowest, c.slowestReplyMs);
    return slowest;
}
