#include "SignalStop.h"

#include "ExitStatus.h"
#include "QuitOnSignal.h"

#include <QCoreApplication>

#include <utility>

void cancelOnSignals(QuitOnSignal &interrupt,
                     std::function<void(const std::string &reason)> cancelAll)
{
    QObject::connect(&interrupt, &QuitOnSignal::interrupted, &interrupt,
                     [cancelled = false, cancelAll = std::move(cancelAll)](int signal) mutable {
                         if (!std::exchange(cancelled, true))
                             cancelAll(SignalReason);
                         else if (!QuitOnSignal::isHangUp(signal))
                             QCoreApplication::exit(exitStatus::Interrupted);
                     });
}

procedures::SelfTestReport stoppedAtOnce(procedures::SelfTestReport report)
{
    report.outcome = procedures::Outcome::Aborted;
    report.verdict = procedures::Overall::Cancelled;
    report.reason = "interrupted twice: stopped at once";
    return report;
}
