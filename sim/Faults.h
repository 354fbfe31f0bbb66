#pragma once

#include <QByteArray>

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
};

// A whole reply frame as the faults put it on the line; lateness and silence
// are the line's business.
QByteArray spoilReply(QByteArray reply, const Faults &faults);
