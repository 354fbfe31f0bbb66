#include "MSComm.h"

#include "ComPortNames.h"

#include <QFileInfo>

MSComm::MSComm(QObject *parent) : SerialComm(parent)
{
    port.setReadBufferSize(InputBufferSize);
    connect(&port, &QSerialPort::readyRead, this, [this] { announceReceived(); });
    connect(&port, &QSerialPort::errorOccurred, this, &MSComm::onError);
}

bool MSComm::setPortOpen(bool open)
{
    lastError.clear();
    if (!open) {
        port.close();
        return true;
    }
    if (port.isOpen()) {
        lastError = QStringLiteral("The port is already open.");
        return false;
    }
    return this->open();
}

// QSerialPort reports a device that another program holds (its lock file is
// taken) as a permission error too; the device's own access rights tell which.
QString MSComm::permissionHint(const QString &path)
{
    const QFileInfo device(path);
    if (device.isReadable() && device.isWritable())
        return QStringLiteral(". The device is in use by another program.");
#ifdef Q_OS_UNIX
    return QStringLiteral(". Serial devices belong to the dialout group: add yourself with "
                          "\"sudo usermod -aG dialout $USER\" and log in again.");
#else
    return {};
#endif
}

bool MSComm::open()
{
    // Numbers name the devices present now, so they are resolved at every open.
    openedPath = chosenDevice.isEmpty() ? ComPortNames::devicePath(commPort) : chosenDevice;
    if (openedPath.isEmpty()) {
        lastError = QStringLiteral("No serial device is present for COM %1.").arg(commPort);
        return false;
    }
    port.setPortName(openedPath);
    port.setBaudRate(BaudRate);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite)) {
        lastError = port.errorString();
        if (port.error() == QSerialPort::PermissionError)
            lastError += permissionHint(openedPath);
        port.close();
        return false;
    }
    port.clear(); // stale bytes from before the open belong to nobody
    return true;
}

bool MSComm::Output(quint8 byte)
{
    if (!port.isOpen() || port.bytesToWrite() >= OutputBufferSize)
        return false;
    const char c = static_cast<char>(byte);
    return port.write(&c, 1) == 1;
}

int MSComm::InBufferCount() const
{
    return port.isOpen() ? static_cast<int>(port.bytesAvailable()) : 0;
}

quint8 MSComm::Input()
{
    char c = 0;
    return port.getChar(&c) ? static_cast<quint8>(c) : 0;
}

// An unplugged adapter shows up as ResourceError; a pseudo-terminal whose other
// end closed raises ReadError again and again for as long as it stays open.
// Either way the port is gone: close it so nothing spins on it.
void MSComm::onError(QSerialPort::SerialPortError error)
{
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                      error == QSerialPort::WriteError;
    if (!lost || !port.isOpen())
        return;
    lastError = port.errorString();
    port.close();
    emit portLost(lastError);
}
