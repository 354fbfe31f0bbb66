#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal whose device end is published as <dir>/COM<n>; the test
// plays the other end through `peer`.
class PseudoTerminal {
public:
    explicit PseudoTerminal(int number = 1)
    {
        char name[256] = {};
        if (openpty(&peer, &device, name, nullptr, nullptr) != 0)
            return;
        ::fcntl(peer, F_SETFL, ::fcntl(peer, F_GETFL) | O_NONBLOCK);
        devicePath = QString::fromLocal8Bit(name);
        link = dir.filePath(QStringLiteral("COM%1").arg(number));
        QFile::link(devicePath, link);
    }
    ~PseudoTerminal()
    {
        if (device >= 0)
            ::close(device);
        if (peer >= 0)
            ::close(peer);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return peer >= 0 && dir.isValid(); }
    QString comDir() const { return dir.path(); }

    QByteArray readAvailable() const
    {
        QByteArray out;
        char buf[512];
        ssize_t n;
        while ((n = ::read(peer, buf, sizeof buf)) > 0)
            out.append(buf, qsizetype(n));
        return out;
    }
    void write(const QByteArray &bytes) const
    {
        [[maybe_unused]] auto n = ::write(peer, bytes.constData(), size_t(bytes.size()));
    }
    // Line settings of the device end as the tester left them.
    termios deviceSettings() const
    {
        termios t{};
        ::tcgetattr(device, &t);
        return t;
    }

    QString devicePath;

private:
    QTemporaryDir dir;
    QString link;
    int peer = -1;
    int device = -1; // kept open so the line survives the tester closing it
};
