#pragma once

#include "Clock.h"
#include "Transaction.h"

#include <string>

// The traffic log as a spreadsheet opens it: one record per transaction, each
// ending in CRLF, fields quoted only when they must be. The time column has
// the date too, since a log may run across midnight.
namespace line {

std::string trafficCsvHeader(); // "time,request,reply,verdict,response time,meaning,origin\r\n"
std::string trafficCsvRow(const Transaction &t, const WallClock &wallClock);

} // namespace line
