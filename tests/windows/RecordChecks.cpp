// What a run is kept under: its id, made on the station, and the outcome its word names, as
// the history stores it and the command line takes it.
#include "Checks.h"
#include "RunRecord.h"
#include "SelfTestResult.h"

#include <set>

namespace {

const struct {
    const char *word;
    int outcome; // -1: names none
} OutcomeWords[] = {
    {"pass", int(line::Outcome::Pass)},
    {"FAIL", int(line::Outcome::Fail)},
    {"Error", int(line::Outcome::Error)},
    {"aborteD", int(line::Outcome::Aborted)},
    {"passed", -1},
    {"pas", -1},
    {"", -1},
    {"no module", -1},
    {"pass ", -1},
};

// 8-4-4-4-12 lower-case hex digits, the version 4 and the RFC 4122 variant (8, 9, a or b).
bool isRandomUuid(const std::string &id)
{
    if (id.size() != 36 || id[14] != '4' || std::string("89ab").find(id[19]) == std::string::npos)
        return false;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (id[i] >= '0' && id[i] <= '9') || (id[i] >= 'a' && id[i] <= 'f');
        if (dash ? id[i] != '-' : !hex)
            return false;
    }
    return true;
}

} // namespace

void recordChecks(Checks &checks)
{
    // Under Wine too: MinGW's random_device has been a fixed sequence in the past.
    checks.run("new run records: each under an id of its own, a random UUID", [](Checks &c) {
        const line::WallClock wallClock = [](line::Time) { return line::WallTime(); };
        std::set<std::string> ids;
        std::string malformed;
        for (int n = 0; n < 1000; ++n) {
            const std::string id = line::newRunRecord({}, {}, wallClock, "bench 1").id;
            if (!isRandomUuid(id) && malformed.empty())
                malformed = id;
            ids.insert(id);
        }
        c.that("a random UUID, not \"" + malformed + '"', malformed.empty());
        c.equal("different ids", std::to_string(ids.size()), "1000");
    });
    for (const auto &w : OutcomeWords)
        checks.run(std::string("outcome named: \"") + w.word + '"', [&](Checks &c) {
            const auto named = line::outcomeNamed(w.word);
            c.equal("outcome", named ? line::outcomeWord(*named) : "none",
                    w.outcome < 0 ? "none" : line::outcomeWord(line::Outcome(w.outcome)));
        });
}
