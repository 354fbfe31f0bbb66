#pragma once

#include "ComPortNames.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal whose device end is published as <dir>/COM1, with COM
// numbers naming that directory while it lives; the test plays the other end.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        char name[256] = {};
        if (openpty(&peer, &device, name, nullptr, nullptr) != 0)
            return;
        ::fcntl(peer, F_SETFL, ::fcntl(peer, F_GETFL) | O_NONBLOCK);
        for (int end : {peer, device}) // a program the test starts must not hold the line
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
        QFile::link(QString::fromLocal8Bit(name), dir.filePath(QStringLiteral("COM1")));
        qputenv(ComPortNames::DirVariable, dir.path().toLocal8Bit());
    }
    ~PseudoTerminal()
    {
        qunsetenv(ComPortNames::DirVariable);
        if (device >= 0)
            ::close(device);
        if (peer >= 0)
            ::close(peer);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

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
    // Line settings of the device end as the tester left them.
    termios deviceSettings() const
    {
        termios t{};
        ::tcgetattr(device, &t);
        return t;
    }

private:
    QTemporaryDir dir;
    int peer = -1;
    int device = -1; // kept open so the line survives the tester closing it
};
