#pragma once

#include <QProcess>
#include <QStringList>

// One of the real programs run to its end: exit code -1 when it did not end in time.
struct Run {
    int exitCode = -1;
    QString out, err;
};

inline Run runProgram(const QString &program, const QStringList &arguments,
                      const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                      int timeoutMs = 30000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs))
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}
