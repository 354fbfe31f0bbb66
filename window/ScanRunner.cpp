#include "ScanRunner.h"

#include "SerialComm.h"

#include <QTimer>

ScanRunner::ScanRunner(SerialComm &comm, modbus::ModbusMaster &master, LineTap &tap,
                       line::Scan::Plan plan, std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent), comm(comm), runner(master, tap), sequence(std::move(plan)), timeout(timeout)
{
    connect(&runner, &RequestRunner::done, this, &ScanRunner::probed);
}

void ScanRunner::start()
{
    QTimer::singleShot(0, this, &ScanRunner::advance);
}

void ScanRunner::cancel()
{
    if (sequence.step() == line::Scan::Step::Done)
        return;
    sequence.cancel();
    runner.stop();
    QTimer::singleShot(0, this, &ScanRunner::finished);
}

void ScanRunner::advance()
{
    while (sequence.step() == line::Scan::Step::OpenPort) {
        const int port = sequence.port();
        bool open = comm.PortOpen() && comm.CommPort() == port;
        if (!open) {
            comm.setPortOpen(false);
            comm.setCommPort(port);
            open = comm.setPortOpen(true);
        }
        sequence.portOpened(open, comm.devicePath().toStdString());
    }
    if (sequence.step() == line::Scan::Step::Done) {
        if (!sequence.cancelled())
            emit finished();
        return;
    }
    emit probing(sequence.port(), sequence.address());
    runner.send(sequence.request(), timeout);
}

void ScanRunner::probed(const line::Transaction *transaction)
{
    if (sequence.cancelled())
        return;
    if (const auto module = sequence.probed(transaction))
        emit found(*module);
    QTimer::singleShot(0, this, &ScanRunner::advance);
}
