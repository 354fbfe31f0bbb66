#include "ScanRunner.h"

#include "LineSession.h"
#include "PortMap.h"
#include "PortTarget.h"
#include "SerialComm.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

ScanRunner::ScanRunner(LineSession &session, procedures::Scan::Plan plan,
                       std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent), session(session), hold(session.arbiter(), line::Origin::Scan),
      sequence(std::move(plan)), timeout(timeout)
{
}

void ScanRunner::addEveryPort(procedures::Scan::Plan &plan)
{
    for (int n : PortMap::presentPorts())
        plan.ports.push_back(n);
    const QMap<int, QString> map = PortMap::mappings();
    for (auto entry = map.begin(); entry != map.end(); ++entry) {
        PortTarget target;
        QString ignored;
        if (!PortTarget::parse(entry.value(), &target, &ignored) ||
            target.kind != PortTarget::Kind::Tcp)
            continue;
        plan.ifTheyOpen.push_back(entry.key());
        if (std::find(plan.ports.begin(), plan.ports.end(), entry.key()) == plan.ports.end())
            plan.ports.push_back(entry.key());
    }
    std::sort(plan.ports.begin(), plan.ports.end());
}

void ScanRunner::start()
{
    hold.take();
    QTimer::singleShot(0, this, &ScanRunner::advance);
}

// A probe still out is left to finish on its own; its answer is not looked at.
void ScanRunner::cancel()
{
    if (sequence.step() == procedures::Scan::Step::Done)
        return;
    sequence.cancel();
    hold.release();
    QTimer::singleShot(0, this, &ScanRunner::finished);
}

void ScanRunner::advance()
{
    SerialComm &comm = session.comm();
    while (sequence.step() == procedures::Scan::Step::OpenPort) {
        const int port = sequence.port();
        const bool chosen = comm.CommPort() == port;
        // Port 0 is a server given outright, which the caller opened or failed to: it has no
        // number to open again, and its own reason stays.
        const bool open = (chosen && (comm.PortOpen() || comm.opening())) ||
                          (port != 0 && session.openPort(port));
        if (open && comm.opening()) {
            awaitOpen();
            return;
        }
        sequence.portOpened(open, comm.devicePath().toStdString());
    }
    if (sequence.step() == procedures::Scan::Step::Done) {
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

void ScanRunner::awaitOpen()
{
    const auto settle = [this](bool open) {
        disconnect(openedWatch);
        disconnect(failedWatch);
        if (sequence.cancelled())
            return;
        sequence.portOpened(open, session.comm().devicePath().toStdString());
        QTimer::singleShot(0, this, &ScanRunner::advance); // not inside the port's own signal
    };
    openedWatch = connect(&session, &LineSession::portOpened, this, [settle] { settle(true); });
    failedWatch =
        connect(&session, &LineSession::portOpenFailed, this, [settle] { settle(false); });
}

// A lost port's reason is taken now: the next port opened has its own.
void ScanRunner::probed(const line::Transaction *transaction)
{
    if (sequence.cancelled())
        return;
    const std::size_t lostBefore = sequence.lostPorts().size();
    const auto module = sequence.probed(transaction);
    if (sequence.lostPorts().size() > lostBefore) {
        const QString reason = session.comm().errorString();
        lostReasons.insert(sequence.lostPorts().back(),
                           reason.isEmpty() ? QStringLiteral("the port closed") : reason);
    }
    if (module)
        emit found(*module);
    QTimer::singleShot(0, this, &ScanRunner::advance);
}

void ScanRunner::end()
{
    hold.release();
    emit finished();
}
