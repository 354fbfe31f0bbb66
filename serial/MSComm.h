#pragma once

#include "SerialComm.h"

#include <QSerialPort>

// The serial component over QSerialPort.
class MSComm final : public SerialComm {
    Q_OBJECT
public:
    static constexpr qint32 BaudRate = 9600;
    static constexpr qint64 InputBufferSize = 1024;
    static constexpr qint64 OutputBufferSize = 512;

    explicit MSComm(QObject *parent = nullptr);

    void setCommPort(int port) override { commPort = port; }
    // The device the next opens use instead of the one CommPort names; empty
    // goes back to the number.
    void setDevice(const QString &path) { chosenDevice = path; }
    int CommPort() const override { return commPort; }
    bool PortOpen() const override { return port.isOpen(); }
    bool setPortOpen(bool open) override;
    bool Output(quint8 byte) override;
    int InBufferCount() const override;
    quint8 Input() override;
    QString devicePath() const override { return openedPath; }
    QString errorString() const override { return lastError; }

    // The underlying port, for checking its line settings.
    const QSerialPort &serialPort() const { return port; }

private:
    bool open();
    static QString permissionHint(const QString &path);
    void onError(QSerialPort::SerialPortError error);

    QSerialPort port;
    int commPort = 1;
    QString chosenDevice;
    QString openedPath;
    QString lastError;
};
