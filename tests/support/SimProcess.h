#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

// The real rzm530-sim, headless, on a line directory of the test's own.
// It is always ended when the test is, passed or failed.
class SimProcess {
public:
    SimProcess(const QString &dir, const QStringList &extra = {})
    {
        process.setProgram(QStringLiteral(RZM530_SIM_PATH));
        process.setArguments(QStringList{"--headless", "--dir", dir} + extra);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start();
    }
    ~SimProcess()
    {
        terminate(); // lets it remove its link and scratch files
        kill();
    }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Waits up to `ms` for a line of output that starts with `prefix`.
    bool waitForLine(const QString &prefix, int ms = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                if (line.startsWith(prefix))
                    return true;
            }
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(50);
            QCoreApplication::processEvents();
        }
        return false;
    }
    bool ready() { return waitForLine(QStringLiteral("ready")); }
    bool command(const QString &line)
    {
        process.write((line + QLatin1Char('\n')).toUtf8());
        return waitForLine(QStringLiteral("ok"));
    }
    void terminate()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(3000);
        }
    }
    void kill()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

    QProcess process;
};
