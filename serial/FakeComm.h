#pragma once

#include "SerialComm.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

// In-memory serial component for tests: records every byte written and every
// open and close, delivers injected bytes, and fails opens or writes on request.
class FakeComm final : public SerialComm {
    Q_OBJECT
public:
    using SerialComm::SerialComm;

    void setCommPort(int port) override { commPort = port; }
    int CommPort() const override { return commPort; }
    bool PortOpen() const override { return open; }
    bool setPortOpen(bool open) override;
    bool Output(quint8 byte) override;
    int InBufferCount() const override { return int(incoming.size()); }
    quint8 Input() override;
    QString devicePath() const override { return QStringLiteral("fake:COM%1").arg(commPort); }
    QString errorString() const override { return error; }

    // Queues bytes as received and raises OnComm once.
    void inject(const QByteArray &bytes);
    // Drops the port as an unplugged adapter would.
    void loseConnection(const QString &reason);

    QByteArray written;      // every byte sent, in order
    QStringList events;      // "open 3", "close", "open 3 failed"
    QSet<int> failingPorts;  // opens of these ports fail
    QSet<int> failingWrites; // write attempts with these numbers (0, 1, ...) fail
    QString failureReason = QStringLiteral("No such file or directory");

private:
    QByteArray incoming;
    int commPort = 1;
    bool open = false;
    int writeAttempts = 0;
    QString error;
};
