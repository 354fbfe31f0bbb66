// A run's wall clock when the system clock jumps while it runs, as after a suspend or a clock
// corrected by the time service: each time keeps the wall clock of the reading nearer to it.
#include "Checks.h"
#include "Clock.h"

#include <chrono>

using namespace std::chrono_literals;

namespace {

struct ClockVector {
    const char *name;
    std::chrono::seconds jump; // the wall clock's move between the start and the end
    std::chrono::seconds at;   // since the start, of a run 100 s long
    std::chrono::seconds want; // the wall time mapped, since the start's
};

const ClockVector ClockVectors[] = {
    {"no jump, mid-run", 0s, 50s, 50s},
    {"no jump, at the end: a drift under a second is none", 0s, 100s, 100s},
    {"forward, at the start", 3600s, 0s, 0s},
    {"forward, before the midpoint", 3600s, 20s, 20s},
    {"forward, after the midpoint", 3600s, 80s, 3680s},
    {"forward, at the end", 3600s, 100s, 3700s},
    {"backward, before the midpoint", -3600s, 49s, 49s},
    {"backward, after the midpoint", -3600s, 51s, 51s - 3600s},
    {"backward, at the end", -3600s, 100s, -3500s},
};

} // namespace

void clockChecks(Checks &checks)
{
    for (const ClockVector &v : ClockVectors) {
        checks.run(std::string("run clock: ") + v.name, [&](Checks &c) {
            const line::Time start = line::Time() + 1000s;
            const line::WallTime wallStart{1796652201s};
            // Reading one clock and then the other takes a moment; that is no jump.
            const auto drift = v.jump == 0s ? 400ms : std::chrono::milliseconds(0);
            const line::WallClock clock = line::runWallClock(
                {start, wallStart}, {start + 100s, wallStart + 100s + v.jump + drift});
            const auto got = std::chrono::duration_cast<std::chrono::milliseconds>(
                clock(start + v.at) - wallStart);
            c.equal("wall time in ms", std::to_string(got.count()),
                    std::to_string(std::chrono::milliseconds(v.want).count()));
        });
    }
}
