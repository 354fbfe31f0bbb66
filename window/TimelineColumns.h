#pragma once

#include "Traffic.h"

#include <cstdint>
#include <deque>

// The kept traffic folded into columns of equal time for the monitor's timeline, from the
// oldest transaction's start at the left to the newest's at the right: the span the table
// holds. A column keeps only what its mark needs, so a strip of 1000 pixels over 100,000
// transactions draws 1000 marks, and one error among them keeps its column red.
//
// Columns are fixed slices of the monotonic clock, a microsecond doubled as often as it takes
// for the span to fit the width. So a new transaction falls into a column that stays where it
// is: following the traffic costs what was added and dropped since, not what is kept. When the
// span outgrows the width, neighbouring columns merge in pairs; when it shrinks to well under
// half, or the width changes, the traffic is scanned again.
class TimelineColumns {
public:
    // How bad a transaction is, worst last: a column is marked by its worst.
    enum class Kind : std::uint8_t {
        Ok,
        NotTheModules, // no reply expected (broadcast, unasked bytes), or ended by the tester
        Fault,         // the module's: no reply, CRC error, exception, wrong address, garbled
    };
    static Kind kindOf(line::Verdict verdict);

    struct Column {
        std::uint64_t first = 0; // the sequence number of its oldest transaction
        std::uint32_t count = 0;
        Kind worst = Kind::Ok;
        bool unanswered = false; // one has no response time (no reply, broadcast, cut short...)
        float slowestReplyMs = 0;
        std::uint64_t mark = 0; // the worst kind's slowest, first of equals: what a click shows
        float markHeight = -1;  // the mark's response time, or more than any for none
    };

    explicit TimelineColumns(const line::Traffic &traffic);

    // The strip's width in pixels; a change scans the traffic again.
    void setWidth(int pixels);
    int width() const { return pixels; }
    // Follows the traffic's ring; whether the columns changed.
    bool refresh();

    int size() const { return int(columns.size()); }
    const Column &operator[](int i) const { return columns[std::size_t(i)]; }
    // Columns are stretched over the width: column i has pixels [left(i), left(i + 1)).
    int left(int column) const;
    int columnAt(int x) const; // -1 outside
    // The columns' slowest response time in ms; 0 when none.
    float slowestReplyMs() const;
    // How many scans of the whole traffic there have been, for the benchmark and tests.
    int scans() const { return scanCount; }

private:
    void scan();
    void add(std::uint64_t sequence);
    void coarsen();
    void drop(std::uint64_t keptFirst);
    void fold(Column &column, std::uint64_t sequence) const;
    std::int64_t slice(const line::Transaction &t) const;
    const line::Transaction &at(std::uint64_t sequence) const;

    const line::Traffic &traffic;
    int pixels = 0;
    int level = 0;               // a column is 2^level microseconds
    std::int64_t firstSlice = 0; // the clock's slice of columns.front()
    std::deque<Column> columns;
    std::uint64_t next = 0; // the next sequence number to take in
    int scanCount = 0;
};
