#pragma once

#include "LineTap.h"

// One poll's Read Coils through the port's tap, answered (relays 1, 3 and 8 on) or not, the
// transaction closed at once.
inline void readCoilsThrough(LineTap &tap, bool answered = true)
{
    tap.requestStarted();
    for (quint8 b : {0x01, 0x01, 0x00, 0x00, 0x00, 0x08, 0x3D, 0xCC})
        tap.byteWritten(b);
    if (answered)
        for (quint8 b : {0x01, 0x01, 0x01, 0x85, 0x90, 0x2B})
            tap.byteReceived(b);
    tap.monitor().closeNow();
}
