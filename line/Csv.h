#pragma once

#include "Clock.h"
#include "Transaction.h"

#include <string>

// The traffic log as a spreadsheet opens it: one record per transaction, each
// ending in CRLF, fields quoted only when they must be. The time column has
// the date too, since a log may run across midnight.
namespace line {

std::string csvHeader(); // "time,request,reply,verdict,response time,meaning\r\n"
std::string csvRow(const Transaction &t, const WallClock &wallClock);
// Every CSV field of free text, in every CSV the program writes: quoted when it holds a
// comma, quote or line end, and after a ' when it begins with =, +, -, @, tab or CR.
std::string csvField(const std::string &text);

} // namespace line
