#pragma once

#include <QString>
#include <QStringList>

// How a COM port number names a host device.
//
// - With RZM530_COM_DIR set, COM n is "$RZM530_COM_DIR/COMn" (any device or
//   pseudo-terminal, usually a symlink).
// - On Windows, COM n is COMn.
// - Elsewhere, COM n is the n-th serial device present: /dev/ttyS* (those the
//   system reports as real), then /dev/ttyUSB*, then /dev/ttyACM*, each by number.
namespace ComPortNames {

inline constexpr const char *DirVariable = "RZM530_COM_DIR";

// The device for COM `number`, or an empty string when there is none.
QString devicePath(int number);

// The COM numbers, 1 to 50, that name a device present now.
QList<int> presentPorts();

// Orders the given device paths as COM 1, 2, ... and drops the ones that are
// not counted.
QStringList comOrder(const QStringList &systemLocations);

} // namespace ComPortNames
