#pragma once

#include <QByteArray>

#include <array>

// A module's fault switches, all off to start with. FaultTable names each,
// its range and what it does; 0 is off for a number, and a pair is off while
// either of its inputs is 0.
struct Faults {
    // On a reply's timing (the line's business):
    int lateMs = 0;
    bool silent = false;
    // On a reply's bytes (spoilReply):
    bool corruptCrc = false;
    int otherAddress = 0;
    bool cutShort = false;
    bool noise = false;
    // Inside the module (SimulatedModule): the next seven lie to the line alone, the window
    // shows the truth; an open contact shows only on the input a fixture wires to it.
    bool exception = false;
    int stuckRelay = 0;
    int invertedRelay = 0;
    int deadInput = 0;
    int stuckOnRelay = 0;
    std::array<int, 2> shortedInputs{};
    std::array<int, 2> analogFollows{};
    int contactOpen = 0; // the coil switches, the contact does not: seen through a fixture
};

// "A,B": two different numbers from 1 to `most`, or "0" for none; false for anything else.
bool parseInputPair(const QString &text, int most, std::array<int, 2> *pair);

// A whole reply frame as the faults put it on the line; lateness and silence
// are the line's business.
QByteArray spoilReply(QByteArray reply, const Faults &faults);
