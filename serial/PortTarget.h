#pragma once

#include <QString>

// Where a COM number can lead: a serial device by its path, or a serial
// device server that passes the line's bytes over TCP ("RTU over TCP").
struct PortTarget {
    enum class Kind { Device, Tcp };

    Kind kind = Kind::Device;
    QString device; // Device: "/dev/serial/by-id/usb-...", "COM3" on Windows
    QString host;   // Tcp
    quint16 port = 0;

    // "tcp://192.0.2.10:4001" or the device path.
    QString text() const;

    // Reads a target as written in the port map or on the command line; false,
    // with the reason in words, when it is neither form.
    static bool parse(const QString &text, PortTarget *target, QString *error);
};
