#pragma once

// Bench builds only (cmake -DRZM530_BENCH_TOGGLES=ON): RZM530_MONITOR_PLAIN, a
// comma-separated list, switches off the monitor's painting shortcuts it names,
// so that bench/poll-cpu.sh can measure what each one saves. Any other build
// keeps every shortcut and reads nothing.
#ifdef RZM530_BENCH_TOGGLES
#include <QByteArray>
#include <QList>
#include <QtGlobal>
#endif

inline bool benchPlain([[maybe_unused]] const char *shortcut)
{
#ifdef RZM530_BENCH_TOGGLES
    return qgetenv("RZM530_MONITOR_PLAIN").split(',').contains(QByteArray(shortcut));
#else
    return false;
#endif
}
