#pragma once

#include "MSComm.h"

#include <memory>

// The serial component the program holds, whatever the port is: at each open
// it resolves the COM number through the port map (PortMap::resolve) and
// opens that serial device, synchronously, or connects to that serial device
// server, asynchronously (see SerialComm for the contract). The TCP port comes
// from a module loaded at the first tcp:// open (TcpModule).
class PortComm final : public SerialComm {
    Q_OBJECT
public:
    explicit PortComm(QObject *parent = nullptr);

    void setCommPort(int port) override;
    // A port as the command line takes it: a COM number in decimal, or a
    // target written out ("tcp://HOST:PORT"), which CommPort() reports as 0.
    void setPort(const QString &port) override;
    int CommPort() const override { return commPort; }

    bool PortOpen() const override { return active().PortOpen(); }
    bool opening() const override { return tcp && tcp->opening(); }
    bool setPortOpen(bool open) override;
    bool Output(quint8 byte) override { return active().Output(byte); }
    int InBufferCount() const override { return active().InBufferCount(); }
    quint8 Input() override { return active().Input(); }
    QString devicePath() const override { return resolved; }
    QString errorString() const override;

private:
    const SerialComm &active() const
    {
        return usingTcp ? *tcp : static_cast<const SerialComm &>(device);
    }
    SerialComm &active() { return usingTcp ? *tcp : static_cast<SerialComm &>(device); }
    void closeBoth();
    bool loadTcp();

    MSComm device;
    std::unique_ptr<SerialComm> tcp; // made at the first tcp:// open
    bool usingTcp = false;
    int commPort = 1;
    QString literal; // a target given outright instead of a number
    QString resolved;
    QString lastError;
};
