#pragma once

#include <QCoreApplication>

// Qt's X11 plugin sends pixels through the socket where this is set.
inline constexpr char NoSharedPixelsVariable[] = "QT_XCB_NO_MITSHM";

// On an X11 display Qt hands a window's pixels to the X server in shared memory, and before it
// paints over what it last handed over, it waits for the server to be done with it: a round trip,
// waking the program twice more, at each repaint of a window that changes every second, as the
// main window, the line monitor and the trend do. Through the socket there is no such wait
// (docs/measurements.md, "Pixels through the socket, the tester's own setting").
//
// Qt reads the variable once, as QApplication connects to the display, and only whether it is set:
// a user who has set it, to any value, already has no shared memory. Returns whether it was set
// here, for takeBackPixelsSetting once QApplication is made.
inline bool sendPixelsThroughTheSocket()
{
    Q_ASSERT(!QCoreApplication::instance()); // read as it connects to the display, not after
    if (qEnvironmentVariableIsSet(NoSharedPixelsVariable))
        return false;
    qputenv(NoSharedPixelsVariable, "1");
    return true;
}

// Programs the tester opens (a browser, a report's viewer) inherit its environment; they keep the
// desktop's way.
inline void takeBackPixelsSetting(bool setHere)
{
    if (setHere)
        qunsetenv(NoSharedPixelsVariable);
}
