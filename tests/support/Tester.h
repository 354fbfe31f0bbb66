#pragma once

#include "FakeComm.h"
#include "WindowProbe.h"
#include "frmMain.h"

// The real window on the fake serial component, with the poll timer stopped so
// that tests tick it by hand.
struct Tester : WindowProbe {
    FakeComm comm;
    frmMain window{comm};

    Tester() : WindowProbe(window) { pollTimer()->stop(); }

    // Takes what went out since the last call.
    QByteArray sent() { return std::exchange(comm.written, {}); }
};
