#pragma once

#include "ToolRequest.h"
#include "Transaction.h"

#include <chrono>

#include <optional>
#include <string>
#include <vector>

namespace procedures {

// Finds modules on one or more ports: one Read Coils (start 0, quantity 8) per
// address, in order. A good reply proves a module is there; so does an
// exception, and so does a reply that is spoilt (a bad CRC, noise, bytes lost)
// but still carries the address followed by the function, plain or with the
// exception bit: the module is there, the line is poor.
//
// Exceptions 10 and 11 come from a gateway that found no module behind it:
// they prove nothing. A port that goes away part way is left there, and said so.
//
// The driver asks step(): OpenPort, then portOpened(); Probe, then sends
// request() and hands the transaction it made to probed(); Done at the end.
class Scan {
public:
    // A probe and its reply take 15 ms on the wire at 9600 baud (8 and 6
    // characters of 10 bits); a shorter wait could never hear a module.
    static constexpr std::chrono::milliseconds ShortestTimeout{20};
    static constexpr std::chrono::milliseconds LongestTimeout = line::ReplyWindow;
    static constexpr const char *ShortestTimeoutReason =
        "a probe and its reply take 15 ms on the wire at 9600 baud";

    struct Plan {
        std::vector<int> ports; // COM numbers, in the order to scan
        int first = 1, last = 247;
        // Those of the ports passed over without a word when they do not
        // open: servers on the network that may simply be switched off.
        std::vector<int> ifTheyOpen;
    };
    struct Found {
        int port = 0;
        std::string device;
        int address = 0;
        line::Verdict verdict = line::Verdict::Ok; // Ok, Exception, CrcError or Garbled
        std::optional<double> responseMs;
        std::optional<std::uint8_t> exceptionCode;
    };
    enum class Step { OpenPort, Probe, Done };

    explicit Scan(Plan plan);

    Step step() const;
    int port() const;    // the one to open or being scanned
    int address() const; // the one to probe
    line::ToolRequest request() const
    {
        return line::ToolRequest::readCoils(std::uint8_t(address()));
    }

    void portOpened(bool opened, const std::string &device);
    // Nothing when the probe could not be sent, or the port closed under it:
    // the port is lost and the scan goes on with the next.
    std::optional<Found> probed(const line::Transaction *transaction);
    void cancel();

    int probesDone() const { return done; }
    int probesTotal() const;
    bool anyPortOpened() const { return opened; }
    const std::vector<int> &lostPorts() const { return lost; }
    const std::vector<int> &unopenedPorts() const { return unopened; }
    // Every port in the plan was opened and scanned to its end.
    bool everyPortScanned() const { return lost.empty() && unopened.empty() && !stopped; }
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
    std::vector<int> lost, unopened;
};

// "COM1 /dev/ttyUSB0 address 17 23 ms", with "exception 2", "CRC error" or
// "garbled" after it when the module answered so.
// A server given outright (port 0) is named by its address alone.
std::string describe(const Scan::Found &found);

} // namespace procedures
