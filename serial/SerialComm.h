#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>

#include <utility>

// The serial communications component: one port chosen by number, opened at
// 9600 8N1, bytes written and read one at a time. OnComm is raised on the UI
// thread whenever received bytes are waiting, from the event loop: never from
// inside a signal of the port itself, since the master's message box waits
// inside OnComm and the port may go away, its socket deleted, while it is open.
//
// Opening may finish later. A serial device opens or fails inside
// setPortOpen(true), as it always has: opening() stays false and neither
// opened() nor openFailed() is raised. A network line only starts to connect:
// setPortOpen(true) returns true with opening() true and PortOpen() false, and
// exactly one of opened() or openFailed(reason) follows (reason also in
// errorString()). A setCommPort, setPortOpen(false) or setPortOpen(true) made
// while connecting abandons that connection and raises nothing for it, so a
// newer keystroke in the COM Port field silently replaces an older one.
// RTU over TCP is a module built against this class: a change here raises
// TcpCommFactory_iid's version (TcpModule.h).
class SerialComm : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // CommPort: the port (1 to 50) the next open uses.
    virtual void setCommPort(int port) = 0;
    virtual int CommPort() const = 0;
    // A port as the command line takes it; a component that knows only
    // numbers reads it as one.
    virtual void setPort(const QString &port) { setCommPort(port.trimmed().toInt()); }

    virtual bool PortOpen() const = 0;
    // A connection is under way (see above).
    virtual bool opening() const { return false; }
    // Opens the selected port or closes the open one; false when that failed,
    // with the reason in errorString().
    virtual bool setPortOpen(bool open) = 0;

    // Sends exactly one byte; false when it could not be queued.
    virtual bool Output(quint8 byte) = 0;
    virtual int InBufferCount() const = 0;
    // Removes and returns the next waiting byte (0 when none is waiting).
    virtual quint8 Input() = 0;

    // What CommPort resolved to at the last open ("/dev/ttyUSB0",
    // "tcp://192.0.2.10:4001"), or empty when it named nothing.
    virtual QString devicePath() const = 0;
    virtual QString errorString() const = 0;

signals:
    void OnComm();
    // Only after an open that returned while connecting.
    void opened();
    void openFailed(const QString &reason);
    // The open port went away (adapter unplugged, other end closed); it is closed now.
    void portLost(const QString &reason);

protected:
    // Raises OnComm once the port's signal is over, once for all the bytes come meanwhile.
    void announceReceived()
    {
        if (std::exchange(announced, true))
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                announced = false;
                emit OnComm();
            },
            Qt::QueuedConnection);
    }

private:
    bool announced = false;
};
