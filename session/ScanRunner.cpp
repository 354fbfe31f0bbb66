#include "ScanRunner.h"

#include "LineSession.h"
#include "SerialComm.h"

#include <QPointer>
#include <QTimer>

ScanRunner::ScanRunner(LineSession &session, line::Scan::Plan plan,
                       std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent), session(session), hold(session.arbiter(), line::Origin::Scan),
      sequence(std::move(plan)), timeout(timeout)
{
}

void ScanRunner::start()
{
    hold.take();
    QTimer::singleShot(0, this, &ScanRunner::advance);
}

// A probe still out is left to finish on its own; its answer is not looked at.
void ScanRunner::cancel()
{
    if (sequence.step() == line::Scan::Step::Done)
        return;
    sequence.cancel();
    hold.release();
    QTimer::singleShot(0, this, &ScanRunner::finished);
}

void ScanRunner::advance()
{
    SerialComm &comm = session.comm();
    while (sequence.step() == line::Scan::Step::OpenPort) {
        const int port = sequence.port();
        const bool open =
            (comm.PortOpen() && comm.CommPort() == port) || session.openPort(port);
        sequence.portOpened(open, comm.devicePath().toStdString());
    }
    if (sequence.step() == line::Scan::Step::Done) {
        if (!sequence.cancelled())
            end();
        return;
    }
    emit probing(sequence.port(), sequence.address());
    QPointer<ScanRunner> self(this);
    session.arbiter().submit(sequence.request(), line::Origin::Scan, timeout,
                             [self](const line::Transaction *t) {
                                 if (self)
                                     self->probed(t);
                             });
}

void ScanRunner::probed(const line::Transaction *transaction)
{
    if (sequence.cancelled())
        return;
    if (const auto module = sequence.probed(transaction))
        emit found(*module);
    QTimer::singleShot(0, this, &ScanRunner::advance);
}

void ScanRunner::end()
{
    hold.release();
    emit finished();
}
