// The trend's CSV of poll readings, its times written by the C runtime's local time.
#include "Checks.h"
#include "TrendVectors.h"

void trendChecks(Checks &checks)
{
    for (const TrendVector &v : TrendVectors) {
        checks.run(std::string("trend CSV: ") + v.name, [&](Checks &c) {
            useZone("UTC0");
            c.equal("csv", trendvectors::csvOf(v), line::trendCsvHeader() + v.rows);
        });
    }
}
