#pragma once

#include "Clock.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <optional>
#include <string>
#include <vector>

// One self-test run as the history keeps it: the run, its steps, and each value it measured
// with its limits. Every run is kept, whatever its outcome.
namespace records {

struct StepRow {
    std::string name;   // stepName(): "link", "relays", "digital", "analog"
    std::string result; // resultWord(): "pass", "fail", "skipped", "not run", ...
    std::optional<line::WallTime> started, finished;
};

// "analog 2 high", 1019, 1000, 1023, "counts", "pass". Limits are absent where the value
// has none (a response time, a count of changes).
struct Measurement {
    std::string name;
    std::optional<double> value;
    std::optional<double> low, high;
    std::string unit;
    std::string result;
};

struct RunRecord {
    std::string id; // a UUID made on the station: records from several stations never clash
    std::string serialNumber, operatorName, station, tester;
    int comNumber = 0;
    std::string device;
    // The station slot the run was tested in, by its port: "COM 3", "tcp://10.0.0.7:4001";
    // empty for a run on the tester's one port.
    std::string slot;
    int address = 1;
    line::WallTime started, finished;
    procedures::Outcome outcome = procedures::Outcome::Error;
    std::string failed;     // what failed, in words: "relay 3 stuck on, digital input 2"
    std::string reportJson; // the whole JSON report
    std::vector<StepRow> steps;
    std::vector<Measurement> measurements;
};

// The record of a finished run. `started` and `finished` fall back to `now` for a run that put
// nothing on the line (no port).
RunRecord runRecord(const procedures::SelfTestReport &report, const ReportHeader &header,
                    const line::WallClock &wallClock, const std::string &station,
                    const std::string &id, line::WallTime now);

// The record of a run that has just ended, under an id of its own made here: the dialog and
// the console keep their runs alike.
RunRecord newRunRecord(const procedures::SelfTestReport &report, const ReportHeader &header,
                       const line::WallClock &wallClock, const std::string &station);

} // namespace records
