#include "FixtureWiring.h"

#include "SimulatedModule.h"

#include <QTimer>

#include <utility>

namespace {

int middle(const procedures::AnalogRange &range)
{
    return (range.low + range.high) / 2;
}

} // namespace

FixtureWiring::FixtureWiring(SimulatedModule &module, procedures::Fixture fixture, QObject *parent)
    : QObject(parent), module(module), fixture(std::move(fixture))
{
    scheduled = contacts();
    Contacts opposite;
    for (std::size_t i = 0; i < opposite.size(); ++i)
        opposite[i] = !scheduled[i];
    follow(scheduled, opposite);
    connect(&module, &SimulatedModule::relaysChanged, this, &FixtureWiring::contactsMayHaveMoved);
    connect(&module, &SimulatedModule::faultsChanged, this, &FixtureWiring::contactsMayHaveMoved);
}

std::chrono::milliseconds FixtureWiring::followDelay(const procedures::Fixture &fixture)
{
    return fixture.settle / 2;
}

FixtureWiring::Contacts FixtureWiring::contacts() const
{
    Contacts closed{};
    for (int i = 0; i < procedures::Fixture::Relays; ++i)
        closed[std::size_t(i)] = module.contact(i);
    return closed;
}

// Each move is followed on its own, in order, so a contact that opens and closes again within
// the delay still shows as both on the input.
void FixtureWiring::contactsMayHaveMoved()
{
    const Contacts now = contacts();
    if (now == scheduled)
        return;
    const Contacts before = std::exchange(scheduled, now);
    const auto delay = followDelay(fixture);
    if (delay.count() == 0)
        follow(now, before);
    else
        QTimer::singleShot(delay, Qt::PreciseTimer, this,
                           [this, now, before] { follow(now, before); });
}

// Sets the inputs of the relays whose contacts differ between `before` and `now`.
void FixtureWiring::follow(const Contacts &now, const Contacts &before)
{
    const auto moved = [&](int relay) {
        return now[std::size_t(relay - 1)] != before[std::size_t(relay - 1)];
    };
    for (const procedures::DigitalLoop &loop : fixture.digital)
        if (moved(loop.relay))
            module.setDigital(loop.input - 1, now[std::size_t(loop.relay - 1)]);
    for (const procedures::AnalogLoop &loop : fixture.analog)
        if (moved(loop.relay))
            module.setAnalog(loop.input - 1,
                             middle(now[std::size_t(loop.relay - 1)] ? loop.on : loop.off));
}
