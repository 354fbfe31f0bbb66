#include "PortComm.h"

#include "PortMap.h"
#include "PortTarget.h"

PortComm::PortComm(QObject *parent) : SerialComm(parent)
{
    for (SerialComm *each : {static_cast<SerialComm *>(&device), static_cast<SerialComm *>(&tcp)}) {
        connect(each, &SerialComm::OnComm, this, &SerialComm::OnComm);
        connect(each, &SerialComm::portLost, this, &SerialComm::portLost);
    }
    connect(&tcp, &SerialComm::opened, this, &SerialComm::opened);
    connect(&tcp, &SerialComm::openFailed, this, &SerialComm::openFailed);
}

void PortComm::setCommPort(int port)
{
    tcp.setCommPort(port); // abandons a connection under way
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
    tcp.setPortOpen(false);
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
        usingTcp = true;
        tcp.setServer(target.host, target.port);
        tcp.setCommPort(commPort);
        return tcp.setPortOpen(true);
    } else {
        device.setDevice(target.device);
    }
    device.setCommPort(commPort);
    return device.setPortOpen(true);
}
