#pragma once

#include "Request.h"
#include "Transaction.h"

#include <optional>
#include <string>
#include <vector>

namespace line {

// Finds modules on one or more ports: one Read Coils (start 0, quantity 8) per
// address, in order. A good reply proves a module is there; so does an
// exception, and so does a reply that is spoilt (a bad CRC, noise, bytes lost)
// but still carries the address followed by the function, plain or with the
// exception bit: the module is there, the line is poor.
//
// The driver asks step(): OpenPort, then portOpened(); Probe, then sends
// request() and hands the transaction it made to probed(); Done at the end.
class Scan {
public:
    struct Plan {
        std::vector<int> ports; // COM numbers, in the order to scan
        int first = 1, last = 247;
    };
    struct Found {
        int port = 0;
        std::string device;
        int address = 0;
        Verdict verdict = Verdict::Ok; // Ok, Exception, CrcError or Garbled
        std::optional<double> responseMs;
        std::optional<std::uint8_t> exceptionCode;
    };
    enum class Step { OpenPort, Probe, Done };

    explicit Scan(Plan plan);

    Step step() const;
    int port() const;    // the one to open or being scanned
    int address() const; // the one to probe
    Request request() const { return Request::readCoils(std::uint8_t(address())); }

    void portOpened(bool opened, const std::string &device);
    // Nothing when the probe could not be sent (the port went away).
    std::optional<Found> probed(const Transaction *transaction);
    void cancel();

    int probesDone() const { return done; }
    int probesTotal() const;
    bool anyPortOpened() const { return opened; }
    bool cancelled() const { return stopped; }
    const std::vector<Found> &found() const { return modules; }

private:
    void nextPort();

    Plan plan;
    std::size_t portIndex = 0;
    int current = 0; // address to probe next
    bool portOpen = false, opened = false, stopped = false;
    std::string device;
    int done = 0;
    std::vector<Found> modules;
};

// "COM1 /dev/ttyUSB0 address 17 23 ms", with "exception 2", "CRC error" or
// "garbled" after it when the module answered so.
std::string describe(const Scan::Found &found);

} // namespace line
