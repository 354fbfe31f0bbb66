// The yield per day of a table of runs, local days in fixed-offset zones.
#include "Checks.h"
#include "YieldVectors.h"

void yieldChecks(Checks &checks)
{
    for (const YieldVector &v : YieldVectors) {
        checks.run(std::string("yield: ") + v.name, [&](Checks &c) {
            useZone(v.zone);
            const std::vector<std::string> days = yieldDays(v);
            c.equal("days", std::to_string(days.size()), std::to_string(v.days.size()));
            for (std::size_t i = 0; i < days.size() && i < v.days.size(); ++i)
                c.equal("day " + std::to_string(i + 1), days[i], v.days[i]);
        });
    }
}
