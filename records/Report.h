#pragma once

#include "Clock.h"

#include <string>

// What every self-test report says besides the results, and how its files are named.
namespace records {

struct ReportHeader {
    std::string tester; // "RZM-530 Tester 1.00.0017"
    std::string operatorName;
    std::string serialNumber;
    int comNumber = 0;
    std::string devicePath; // what the COM number resolved to: "/dev/ttyUSB0"
};

// "SN1234_2026-12-07_14-03-21.html": the serial number with anything but letters, digits,
// '-', '_' and '.' made '_' (no leading dot, at most 40 characters, "no-serial" when empty),
// then the local time. The extension is given without its dot.
std::string reportFileName(const std::string &serialNumber, line::WallTime t,
                           const std::string &extension);
// The same without the dot and extension, for a report's files to share.
std::string reportFileStem(const std::string &serialNumber, line::WallTime t);

// ISO 8601 in local time with its offset: "2026-12-07T14:03:21+01:00", with ".042" before
// the offset when milliseconds are asked for.
std::string isoTime(line::WallTime t, bool milliseconds = false);

} // namespace records
