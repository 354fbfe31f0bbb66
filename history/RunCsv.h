#pragma once

#include "HistoryDb.h"
#include "Yield.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// The run list and the yield table as CSV, the same from the console and the history window:
// quoted as the traffic log is, one line each, times in ISO 8601 local time with the offset.

// The slot comes last, after the columns of runs kept before there were station slots, so that
// a sheet that reads those by position reads them still.
QByteArray runCsvHeader(); // "started,serial,operator,station,outcome,failed,id,slot\n"
QByteArray runCsvRow(const RunRow &run);

QByteArray yieldCsvHeader(); // "day,runs,pass,fail,error,aborted,first_pass_yield,final_yield\n"
QByteArray yieldCsvRow(const figures::DayYield &day);

// "0.667", or empty for a day with nothing to judge.
QString yieldText(const std::optional<double> &yield);

// Every run the filter matches, newest first, a page at a time: the whole table is never in
// memory. Each page begins after the last row of the one before, so that runs other stations
// upload meanwhile shift no row into a second page.
template <typename Write>
void forEachRun(const HistoryDb &db, const RunFilter &filter, Write write, int Page = 500)
{
    std::optional<RunRow> last;
    for (;;) {
        const std::vector<RunRow> rows = db.runsAfter(filter, Page, last);
        for (const RunRow &row : rows)
            write(row);
        if (int(rows.size()) < Page)
            return;
        last = rows.back();
    }
}
