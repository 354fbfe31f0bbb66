#pragma once

#include "SelfTestResult.h"

#include <functional>
#include <string>

class QuitOnSignal;

// How a signal stops a console self-test, one module's or a station's. Ctrl+C, SIGTERM and
// SIGHUP end it as the operator's Cancel does: `cancelAll` is called with SignalReason, and
// every relay is switched off, with a report each. A second Ctrl+C or SIGTERM, for a line too
// slow to wait for, ends the event loop at once with exitStatus::Interrupted, and each report as
// it stands is kept as stoppedAtOnce() makes it; a second SIGHUP is only the session going away
// again.
inline constexpr const char *SignalReason = "interrupted by a signal";
void cancelOnSignals(QuitOnSignal &interrupt,
                     std::function<void(const std::string &reason)> cancelAll);
procedures::SelfTestReport stoppedAtOnce(procedures::SelfTestReport report);
