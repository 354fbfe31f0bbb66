#pragma once

#include <QByteArray>

#include <array>

// Ways the simulated module can misbehave, for tests and demonstrations.
struct Faults {
    int lateMs = 0;          // hold every reply back this long
    bool silent = false;     // answer nothing
    bool corruptCrc = false; // spoil the last CRC byte of every reply
    bool exception = false;  // answer every request with an exception
    bool noise = false;      // put junk bytes on the line before every reply
    int otherAddress = 0;    // answer from this slave address instead (0: off)
    bool cutShort = false;   // leave the last bytes of every reply off
    // Inside the module, seen only from the line (0: none):
    int stuckRelay = 0;    // relay N (1-8) ignores writes and keeps its state
    int invertedRelay = 0; // relay N switches, but reads back inverted
    int deadInput = 0;     // digital input N (1-4) always reads 0
    int stuckOnRelay = 0;  // relay N reads on, whatever is written
    // Two inputs {A, B}, none while either is 0:
    std::array<int, 2> shortedInputs{}; // digital inputs wired together: either on, both read on
    std::array<int, 2> analogFollows{}; // analog input B reads what input A does
};

// "A,B": two different numbers from 1 to `most`, or "0" for none; false for anything else.
bool parseInputPair(const QString &text, int most, std::array<int, 2> *pair);

// A whole reply frame as the faults put it on the line; lateness and silence
// are the line's business.
QByteArray spoilReply(QByteArray reply, const Faults &faults);
