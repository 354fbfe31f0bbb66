#pragma once

#include "SelfTestResult.h"

// The exit codes of both programs, each said once; --help lists what each means.
namespace exitStatus {
enum : int {
    Done = 0,
    Fail = 1,          // --self-test's FAIL; --scan found no module on ports that all answered
    Error = 2,         // a mistake on the command line, a run that went wrong, nothing reachable
    Refused = 3,       // --sync: the history server answered with an error
    LocalFile = 4,     // --sync: the local file cannot be opened, read or written
    Unreadable = 5,    // --sync: some runs cannot be read from the local file
    Interrupted = 130, // Ctrl+C, SIGTERM or SIGHUP: 128 + SIGINT, as shells report it
};
} // namespace exitStatus

namespace exitStatus {
// A self-test's outcome as its exit code; of several slots, the greatest of theirs.
constexpr int of(procedures::Outcome outcome)
{
    switch (outcome) {
    case procedures::Outcome::Pass:
        return Done;
    case procedures::Outcome::Fail:
        return Fail;
    case procedures::Outcome::Error:
        return Error;
    case procedures::Outcome::Aborted:
        return Interrupted; // nothing else aborts a run without an operator
    }
    return Error;
}
} // namespace exitStatus
