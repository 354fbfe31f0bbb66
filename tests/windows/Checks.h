#pragma once

#include <functional>
#include <string>

// A check program without a framework, so that it builds wherever a C++17 compiler does. Each
// check is named and runs on its own; one that throws fails like one that compares wrong, and
// the rest still run.
class Checks {
public:
    using Body = std::function<void(Checks &)>;

    void run(const std::string &name, const Body &body);

    // Inside a body: each mismatch is printed, and fails the check that is running.
    void equal(const std::string &what, const std::string &got, const std::string &want);
    void that(const std::string &what, bool holds);

    int passed() const { return passedCount; }
    int failed() const { return failedCount; }

private:
    void fail(const std::string &why);

    std::string current;
    bool currentFailed = false;
    int passedCount = 0;
    int failedCount = 0;
};

// Sets the zone local times are in; empty for the one the system is set to.
void useZone(const std::string &tz);

// The groups of checks, one file each.
void timeChecks(Checks &checks);
void clockChecks(Checks &checks);
void tableChecks(Checks &checks);
void recordChecks(Checks &checks);
