#include "PortMap.h"

#include "ComPortNames.h"
#include "PortTarget.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace PortMap {

namespace {

const QString Group = QStringLiteral("ports");

QString key(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

bool inRange(int number)
{
    return number >= FirstPort && number <= LastPort;
}

} // namespace

QString filePath()
{
#ifdef Q_OS_WIN
    const QString base = qEnvironmentVariable("APPDATA"); // the roaming profile
#else
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
    return QDir(base).filePath(QStringLiteral("rzm530/ports.ini"));
}

QString mapping(int number)
{
    QSettings file(filePath(), QSettings::IniFormat);
    return file.value(Group + QLatin1Char('/') + key(number)).toString().trimmed();
}

QMap<int, QString> mappings()
{
    QMap<int, QString> out;
    QSettings file(filePath(), QSettings::IniFormat);
    file.beginGroup(Group);
    for (const QString &name : file.childKeys()) {
        bool ok = false;
        const int number = name.mid(3).toInt(&ok);
        if (name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && ok && inRange(number))
            out.insert(number, file.value(name).toString().trimmed());
    }
    return out;
}

bool setMapping(int number, const QString &target, QString *error)
{
    if (!inRange(number)) {
        *error = QStringLiteral("COM numbers run from %1 to %2").arg(FirstPort).arg(LastPort);
        return false;
    }
    PortTarget parsed;
    const bool remove = target.trimmed().isEmpty();
    if (!remove && !PortTarget::parse(target, &parsed, error))
        return false;
    QSettings file(filePath(), QSettings::IniFormat);
    if (remove)
        file.remove(Group + QLatin1Char('/') + key(number));
    else
        file.setValue(Group + QLatin1Char('/') + key(number), parsed.text());
    file.sync();
    if (file.status() != QSettings::NoError) {
        *error = QStringLiteral("cannot write %1").arg(filePath());
        return false;
    }
    return true;
}

QString resolve(int number)
{
    const QString mapped = mapping(number);
    return mapped.isEmpty() ? ComPortNames::devicePath(number) : mapped;
}

} // namespace PortMap
