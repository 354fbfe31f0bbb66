#include "FakeComm.h"

bool FakeComm::setPortOpen(bool wantOpen)
{
    error.clear();
    if (!wantOpen) {
        open = false;
        incoming.clear();
        events.append(QStringLiteral("close"));
        return true;
    }
    if (failingPorts.contains(commPort)) {
        error = failureReason;
        events.append(QStringLiteral("open %1 failed").arg(commPort));
        return false;
    }
    open = true;
    events.append(QStringLiteral("open %1").arg(commPort));
    return true;
}

bool FakeComm::Output(quint8 byte)
{
    if (!open)
        return false;
    if (failingWrites.contains(writeAttempts++))
        return false;
    written.append(static_cast<char>(byte));
    return true;
}

quint8 FakeComm::Input()
{
    if (incoming.isEmpty())
        return 0;
    const auto b = static_cast<quint8>(incoming.front());
    incoming.remove(0, 1);
    return b;
}

void FakeComm::inject(const QByteArray &bytes)
{
    incoming.append(bytes);
    emit OnComm();
}

void FakeComm::loseConnection(const QString &reason)
{
    open = false;
    incoming.clear();
    error = reason;
    emit portLost(reason);
}
