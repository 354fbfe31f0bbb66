#pragma once

#include <QtGlobal>

// On an X11 display Qt hands a window's pixels to the X server in shared memory, and before it
// paints over what it last handed over it waits for the server to be done with it: a round
// trip at each repaint of a window that changes every second, as the main window, the line
// monitor and the trend do. Through the socket, the few rows that change cost less: polling
// about a third less of a core, and the open monitor within polling + 0.15 %
// (docs/measurements.md, "Without MIT-SHM"). To be called before QApplication is made; a
// setting of the user's own is left alone, and no other platform reads it.
inline void sendPixelsThroughTheSocket()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}
