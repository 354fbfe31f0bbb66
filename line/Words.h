#pragma once

#include "Clock.h"
#include "Rtu.h"
#include "Transaction.h"

#include <cstdint>
#include <string>

// What a transaction says, in words for the monitor, the status text and the log.
namespace line {

std::string verdictText(const Transaction &t); // "OK", "Exception 2", "Wrong address"
std::string statusText(const Transaction &t);  // "OK 24 ms", else the verdict text
// Whole milliseconds as the tenth the records keep rounds: a record saying 24.5 is never
// shown as "24 ms", and a report made again from the record shows what the first one did.
// 0 for what is not a duration (NaN, infinite, 1e18 or more).
long long wholeMs(double ms);
std::string exceptionName(std::uint8_t code);  // "illegal data address"
std::string meaning(const Transaction &t);     // "Read Coils 0-7 (relays 1-8): 1 0 1 0 0 0 0 1"
std::string hex(ByteView bytes);               // "01 01 00 00 00 08 3D CC"
std::string timeOfDay(WallTime t);             // "14:03:21.042", local time
std::string dateAndTime(WallTime t);           // "2026-12-07 14:03:21.042", local time

} // namespace line
