#pragma once

#include <QObject>
#include <QString>

// The serial communications component: one port chosen by number, opened at
// 9600 8N1, bytes written and read one at a time. OnComm is raised on the UI
// thread whenever received bytes are waiting.
class SerialComm : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // CommPort: the port (1 to 50) the next open uses.
    virtual void setCommPort(int port) = 0;
    virtual int CommPort() const = 0;

    virtual bool PortOpen() const = 0;
    // Opens the selected port or closes the open one; false when that failed,
    // with the reason in errorString().
    virtual bool setPortOpen(bool open) = 0;

    // Sends exactly one byte; false when it could not be queued.
    virtual bool Output(quint8 byte) = 0;
    virtual int InBufferCount() const = 0;
    // Removes and returns the next waiting byte (0 when none is waiting).
    virtual quint8 Input() = 0;

    // The host device CommPort named at the last open, or empty when it named none.
    virtual QString devicePath() const = 0;
    virtual QString errorString() const = 0;

signals:
    void OnComm();
    // The open port went away (adapter unplugged, other end closed); it is closed now.
    void portLost(const QString &reason);
};
