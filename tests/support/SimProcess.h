#pragma once

#include "ComPortNames.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The real rzm530-sim, headless, on a line directory of its own, with COM
// numbers naming that directory while it lives. It is always ended when the
// test is, passed or failed.
class SimProcess {
public:
    explicit SimProcess(const QStringList &options = {})
    {
        qputenv(ComPortNames::DirVariable, dir.path().toLocal8Bit());
        process.start(QStringLiteral(RZM530_SIM_PATH),
                      QStringList{"--headless", "--dir", dir.path()} + options);
    }
    ~SimProcess()
    {
        process.terminate(); // lets it remove its link; QProcess kills it if it lingers
        process.waitForFinished(3000);
        qunsetenv(ComPortNames::DirVariable);
    }

    // Waits for a line of output that starts with `prefix`.
    bool waitForLine(const char *prefix)
    {
        return QTest::qWaitFor([&] {
            while (process.canReadLine())
                if (process.readLine().startsWith(prefix))
                    return true;
            return false;
        });
    }
    bool ready() { return waitForLine("ready"); }

    QTemporaryDir dir;
    QProcess process;
};
