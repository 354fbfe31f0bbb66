// What a run is kept under: its id, made on the station.
#include "Checks.h"
#include "RunRecord.h"

#include <set>

namespace {

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
            const std::string id = records::newRunRecord({}, {}, wallClock, "bench 1").id;
            if (!isRandomUuid(id) && malformed.empty())
                malformed = id;
            ids.insert(id);
        }
        c.that("a random UUID, not \"" + malformed + '"', malformed.empty());
        c.equal("different ids", std::to_string(ids.size()), "1000");
    });
}
