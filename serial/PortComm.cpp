#include "PortComm.h"

#include "PortMap.h"
#include "PortTarget.h"
#include "TcpModule.h"

PortComm::PortComm(QObject *parent) : SerialComm(parent)
{
    connect(&device, &SerialComm::OnComm, this, &SerialComm::OnComm);
    connect(&device, &SerialComm::portLost, this, &SerialComm::portLost);
}

bool PortComm::loadTcp()
{
    if (tcp)
        return true;
    tcp = TcpModule::makeTcpComm(&lastError);
    if (!tcp)
        return false;
    connect(tcp.get(), &SerialComm::OnComm, this, &SerialComm::OnComm);
    connect(tcp.get(), &SerialComm::portLost, this, &SerialComm::portLost);
    connect(tcp.get(), &SerialComm::opened, this, &SerialComm::opened);
    connect(tcp.get(), &SerialComm::openFailed, this, &SerialComm::openFailed);
    return true;
}

void PortComm::setCommPort(int port)
{
    if (tcp)
        tcp->setCommPort(port); // abandons a connection under way
    commPort = port;
    literal.clear();
}

void PortComm::setPort(const QString &port)
{
    bool isNumber = false;
    const int number = port.trimmed().toInt(&isNumber);
    setCommPort(isNumber ? number : 0);
    if (!isNumber)
        literal = port.trimmed();
}

QString PortComm::errorString() const
{
    return lastError.isEmpty() ? active().errorString() : lastError;
}

void PortComm::closeBoth()
{
    device.setPortOpen(false);
    if (tcp)
        tcp->setPortOpen(false);
}

bool PortComm::setPortOpen(bool open)
{
    lastError.clear();
    if (!open) {
        closeBoth();
        return true;
    }
    if (PortOpen()) {
        lastError = QStringLiteral("The port is already open.");
        return false;
    }
    closeBoth(); // a newer open abandons the one under way

    // Numbers name the map's entries and the devices present now, so they are
    // resolved at every open.
    resolved = literal.isEmpty() ? PortMap::resolve(commPort) : literal;
    PortTarget target;
    usingTcp = false;
    if (resolved.isEmpty()) {
        device.setDevice({}); // says that no device is present for the number
    } else if (!PortTarget::parse(resolved, &target, &lastError)) {
        if (literal.isEmpty())
            lastError = QStringLiteral("COM %1 in %2: %3")
                            .arg(commPort)
                            .arg(PortMap::filePath(), lastError);
        return false;
    } else if (target.kind == PortTarget::Kind::Tcp) {
        if (!loadTcp())
            return false;
        usingTcp = true;
        tcp->setPort(resolved);
        tcp->setCommPort(commPort);
        return tcp->setPortOpen(true);
    } else {
        device.setDevice(target.device);
    }
    device.setCommPort(commPort);
    return device.setPortOpen(true);
}
