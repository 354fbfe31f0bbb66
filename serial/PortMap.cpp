#include "PortMap.h"

#include "ComPortNames.h"
#include "PortTarget.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

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

// The number a key names, in any case and with leading zeros: com5, COM05 and COM5 are COM 5.
std::optional<int> numberOf(const QString &name)
{
    bool ok = false;
    const int number = name.mid(3).toInt(&ok);
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) || !ok || !inRange(number))
        return std::nullopt;
    return number;
}

// One name for one device: symlinks followed (by-id, a second link), Windows' names in one case.
QString identity(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device.toUpper() : canonical;
}

bool present(const QString &device)
{
    if (QFileInfo::exists(device))
        return true;
    const auto ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(), [&](const QSerialPortInfo &info) {
        return info.portName().compare(device, Qt::CaseInsensitive) == 0;
    });
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
    return mappings().value(number);
}

// Of two keys for one number, the one written as COM5 wins.
QMap<int, QString> mappings()
{
    QMap<int, QString> out;
    QSettings file(filePath(), QSettings::IniFormat);
    file.beginGroup(Group);
    for (const QString &name : file.childKeys())
        if (const auto number = numberOf(name);
            number && (!out.contains(*number) || name == key(*number)))
            out.insert(*number, file.value(name).toString().trimmed());
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
    file.beginGroup(Group);
    for (const QString &name : file.childKeys())
        if (numberOf(name) == number)
            file.remove(name); // com5 and COM05 too, or they would come back
    if (!remove)
        file.setValue(key(number), parsed.text());
    file.endGroup();
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

// A number mapped to a device that is there counts, one mapped to anything else does not, and
// the others count as today's rule says.
QList<int> presentPorts()
{
    const QMap<int, QString> map = mappings();
    const QList<int> byRule = ComPortNames::presentPorts();
    QStringList seen;
    QList<int> ports;
    for (int number = FirstPort; number <= LastPort; ++number) {
        QString device;
        PortTarget target;
        QString ignored;
        if (!map.contains(number)) {
            if (byRule.contains(number))
                device = ComPortNames::devicePath(number);
        } else if (PortTarget::parse(map.value(number), &target, &ignored) &&
                   target.kind == PortTarget::Kind::Device && present(target.device)) {
            device = target.device;
        }
        if (device.isEmpty() || seen.contains(identity(device)))
            continue;
        seen.append(identity(device));
        ports.append(number);
    }
    return ports;
}

} // namespace PortMap
