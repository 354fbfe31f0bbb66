#pragma once

// Ways the simulated module can misbehave, for tests and demonstrations.
struct Faults {
    int lateMs = 0;          // hold every reply back this long
    bool silent = false;     // answer nothing
    bool corruptCrc = false; // spoil the last CRC byte of every reply
    bool exception = false;  // answer every request with an exception
    bool noise = false;      // put junk bytes on the line before every reply
};
