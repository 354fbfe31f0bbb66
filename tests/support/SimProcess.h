#pragma once

#include "ComPortNames.h"
#include "PortMap.h"

#include <QtTest>

// Maps COM `number` to `target` in the port map; an empty one removes the entry.
inline bool mapCom(int number, const QString &target)
{
    QString error;
    return PortMap::setMapping(number, target, &error);
}

// The real rzm530-sim, headless, on a line directory of its own, with COM
// numbers naming that directory, and a port map of its own, never the user's,
// while it lives. It is always ended when the test is, passed or failed.
class SimProcess {
public:
    explicit SimProcess(const QStringList &options = {})
    {
        qputenv(ComPortNames::DirVariable, dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        process.start(QStringLiteral(RZM530_SIM_PATH),
                      QStringList{"--headless", "--dir", dir.path()} + options);
    }
    // One of several side by side: its line is COM `com` in `lines`, the folder they share and
    // COM numbers name while it lives (its own --dir is overridden: the last one given wins).
    SimProcess(const QTemporaryDir &lines, int com, const QStringList &options)
        : SimProcess(QStringList{"--dir", lines.path(), "--com", QString::number(com)} + options)
    {
        qputenv(ComPortNames::DirVariable, lines.path().toLocal8Bit());
    }
    ~SimProcess()
    {
        process.terminate(); // lets it remove its link; QProcess kills it if it lingers
        process.waitForFinished(3000);
        qunsetenv(ComPortNames::DirVariable);
        if (configBefore.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configBefore);
    }

    // Waits for a line of output that starts with `prefix`; keeps it in `line`.
    bool waitForLine(const char *prefix)
    {
        return QTest::qWaitFor([&] {
            while (process.canReadLine())
                if ((line = process.readLine().trimmed()).startsWith(prefix))
                    return true;
            return false;
        });
    }
    bool ready() { return waitForLine("ready"); }
    // The serial device server's address in the ready line, with --tcp.
    QString tcpAddress() const
    {
        for (const QByteArray &word : line.split(' '))
            if (word.startsWith("tcp://"))
                return QString::fromLatin1(word);
        return {};
    }
    // Maps COM `number` to its server (--tcp, once ready).
    bool mapServer(int number) { return mapCom(number, tcpAddress()); }
    // Waits until its log, standard error, says `text`.
    bool logSays(const char *text)
    {
        return QTest::qWaitFor([&] {
            log += process.readAllStandardError();
            return log.contains(text);
        });
    }
    // Sends a command; given a reply, waits for the line that starts with it.
    bool command(const char *text, const char *reply = nullptr)
    {
        process.write(QByteArray(text) + '\n');
        return !reply || waitForLine(reply);
    }
    // Passes over whatever it said until now, so that the next line waited for is news.
    bool catchUp()
    {
        command("mark");
        return waitForLine("error");
    }
    // Whether every relay of its module is off, once what it said until now is passed over.
    bool relaysOff() { return catchUp() && command("relays", "relays 00000000"); }

    const QByteArray configBefore =
        qEnvironmentVariableIsSet("XDG_CONFIG_HOME") ? qgetenv("XDG_CONFIG_HOME") : QByteArray();
    QTemporaryDir dir;
    QProcess process;
    QByteArray line, log;
};
