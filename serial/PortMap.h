#pragma once

#include <QList>
#include <QMap>
#include <QString>

// The user's map of COM numbers to targets (see PortTarget), kept in
// ports.ini: $XDG_CONFIG_HOME/rzm530/ports.ini (~/.config when unset), or
// rzm530\ports.ini in the roaming AppData folder on Windows. One [ports]
// section, one line a number:
//   [ports]
//   COM5=tcp://192.0.2.10:4001
//   COM3=/dev/serial/by-id/usb-...
// A mapped number wins; the others name devices as ComPortNames says. Keys are read in any
// case and with leading zeros (com5, COM05 are COM5), and written as COM5.
namespace PortMap {

inline constexpr int FirstPort = 1;
inline constexpr int LastPort = 50;

QString filePath();

// The number's entry as written in the file; empty when unmapped.
QString mapping(int number);
// Every entry in the file, valid or not, by number.
QMap<int, QString> mappings();

// Writes the entry, or removes it when `target` is blank. False, with the
// reason in words, for a number out of range, a target that is not one, or a
// file that cannot be written.
bool setMapping(int number, const QString &target, QString *error);

// What COM `number` resolves to now: its entry, else the device today's rule
// names ("tcp://127.0.0.1:4001", "/dev/ttyUSB0"); empty when nothing.
QString resolve(int number);

// The COM numbers that lead to a serial device present now, through the map or today's rule,
// each device once: under the first number that leads to it. Servers are not counted.
QList<int> presentPorts();

} // namespace PortMap
