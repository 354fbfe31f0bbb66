// The loopback fixture's file: what each is refused for, or the fixture it describes.
#include "Checks.h"
#include "FixtureVectors.h"

void fixtureChecks(Checks &checks)
{
    for (const FixtureVector &v : FixtureVectors)
        checks.run(std::string("fixture: ") + v.name, [&](Checks &c) {
            c.equal("outcome", fixtureOutcome(line::parseFixture(v.text, "fixture.ini")),
                    v.outcome);
        });
}
