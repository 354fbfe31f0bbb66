#include "OpenPort.h"

#include "LineSession.h"
#include "SerialComm.h"

#include <QEventLoop>

// The connection's own 3 s time-out ends the wait, so none is kept here.
bool openPortAndWait(LineSession &session, const QString &port)
{
    if (!session.openPort(port))
        return false;
    if (!session.opening())
        return true;
    QEventLoop wait;
    QObject::connect(&session, &LineSession::portOpened, &wait, &QEventLoop::quit);
    QObject::connect(&session, &LineSession::portOpenFailed, &wait, &QEventLoop::quit);
    wait.exec();
    return session.comm().PortOpen();
}
