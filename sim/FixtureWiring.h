#pragma once

#include "Fixture.h"

#include <QObject>

#include <array>
#include <chrono>

class SimulatedModule;

// A loopback fixture on a simulated module: each input it wires follows the contact of its
// relay, a digital input on while the contact is closed, an analog input in the middle of its
// range with the relay on or off. An input follows half the fixture's settle time after its
// contact moved (at once with a settle time of 0), so that a tester that waits the settle time
// reads it switched and one that does not, does not. Inputs it does not wire are left alone,
// and a wired one set by hand keeps its value until its relay's contact next moves.
class FixtureWiring : public QObject {
    Q_OBJECT
public:
    // Wires `module`, whose inputs follow its relays at once to begin with.
    FixtureWiring(SimulatedModule &module, procedures::Fixture fixture, QObject *parent = nullptr);

    // How long after its contact an input follows.
    static std::chrono::milliseconds followDelay(const procedures::Fixture &fixture);

private:
    using Contacts = std::array<bool, procedures::Fixture::Relays>;

    Contacts contacts() const;
    void contactsMayHaveMoved();
    void follow(const Contacts &now, const Contacts &before);

    SimulatedModule &module;
    const procedures::Fixture fixture;
    Contacts scheduled{}; // what the inputs show once every follow under way is done
};
