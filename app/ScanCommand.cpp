#include "ScanCommand.h"

#include "ExitStatus.h"
#include "LineSession.h"
#include "PortComm.h"
#include "ProgramName.h"
#include "QuitOnSignal.h"
#include "ScanRunner.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

bool stderrIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
}

} // namespace

int runScan(const CommandLine::Scan &options)
{
    procedures::Scan::Plan plan;
    if (options.allPorts)
        ScanRunner::addEveryPort(plan);
    else
        plan.ports.push_back(options.port);
    plan.first = options.first;
    plan.last = options.last;

    PortComm comm;
    LineSession session(comm);
    if (!options.allPorts)
        session.openPort(options.portText); // a server given outright has no number to open
    ScanRunner scan(session, plan, std::chrono::milliseconds(options.timeoutMs));
    QuitOnSignal interrupt(false);
    bool interrupted = false;
    QObject::connect(&interrupt, &QuitOnSignal::interrupted, [&] {
        interrupted = true;
        scan.cancel();
    });
    QTextStream out(stdout), err(stderr);
    const bool progress = stderrIsTerminal();
    QObject::connect(&scan, &ScanRunner::found, [&](const procedures::Scan::Found &module) {
        if (progress)
            err << "\r\033[K" << Qt::flush;
        out << QString::fromStdString(procedures::describe(module)) << Qt::endl;
    });
    if (progress)
        QObject::connect(&scan, &ScanRunner::probing, [&](int port, int address) {
            err << QStringLiteral("\rCOM%1 address %2 (%3 of %4)")
                       .arg(port)
                       .arg(address)
                       .arg(scan.scan().probesDone() + 1)
                       .arg(scan.scan().probesTotal())
                << Qt::flush;
        });
    QObject::connect(&scan, &ScanRunner::finished, [&] {
        if (progress)
            err << "\r\033[K" << Qt::flush;
        QCoreApplication::quit();
    });
    scan.start();
    QCoreApplication::exec();

    const procedures::Scan &result = scan.scan();
    for (int port : result.lostPorts())
        err << programPrefix()
            << QStringLiteral("COM %1 was lost part way: %2").arg(port).arg(scan.lostReason(port))
            << Qt::endl;
    if (interrupted)
        return exitStatus::Interrupted;
    if (!result.found().empty())
        return exitStatus::Done;
    if (!result.anyPortOpened()) {
        err << programPrefix() << "no port could be opened";
        if (!options.allPorts) {
            const QString where =
                options.port ? QStringLiteral("COM %1, %2").arg(options.port).arg(comm.devicePath())
                             : comm.devicePath();
            err << QStringLiteral(" (%1: %2)").arg(where, comm.errorString());
        }
        err << Qt::endl;
        return exitStatus::Error;
    }
    return result.everyPortScanned() ? exitStatus::Fail : exitStatus::Error;
}
