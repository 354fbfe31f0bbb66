#pragma once

// rzm530-cli run as a user would, for the history's suites: its own folders, days in UTC.
#include "Program.h"

#include <QDateTime>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>

#include "Clock.h"

// The console program with its data and settings in `home`, never the user's, and days in UTC.
inline QProcessEnvironment cliEnvironment(const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    return env;
}

inline Run cli(const QTemporaryDir &home, const QStringList &arguments)
{
    return runProgram(QStringLiteral(RZM530_CLI_PATH), arguments, cliEnvironment(home));
}

// Where --help says the runs are kept.
inline QString historyFile(const QTemporaryDir &home)
{
    const QString help = cli(home, {QStringLiteral("--help")}).out;
    return QRegularExpression(QStringLiteral("runs are kept in (.*)\\n")).match(help).captured(1);
}

inline line::WallTime utc(const char *iso)
{
    return line::WallTime(std::chrono::milliseconds(
        QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toMSecsSinceEpoch()));
}
