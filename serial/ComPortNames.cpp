#include "ComPortNames.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QtGlobal>

#include <algorithm>
#include <tuple>

namespace ComPortNames {

QStringList comOrder(const QStringList &systemLocations)
{
    static const QRegularExpression pattern(QStringLiteral("^/dev/tty(S|USB|ACM)([0-9]+)$"));
    static const QStringList families{QStringLiteral("S"), QStringLiteral("USB"),
                                      QStringLiteral("ACM")};
    struct Entry {
        int family;
        qulonglong number;
        QString path;
    };
    std::vector<Entry> entries;
    for (const QString &path : systemLocations) {
        const auto match = pattern.match(path);
        if (match.hasMatch())
            entries.push_back(
                {int(families.indexOf(match.captured(1))), match.captured(2).toULongLong(), path});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.family, a.number) < std::tie(b.family, b.number);
    });
    QStringList ordered;
    for (const auto &e : entries)
        if (!ordered.contains(e.path))
            ordered.append(e.path);
    return ordered;
}

QString devicePath(int number)
{
    if (number < 1)
        return {};
    const QString dir = qEnvironmentVariable(DirVariable);
    if (!dir.isEmpty())
        return dir + QStringLiteral("/COM") + QString::number(number);
#ifdef Q_OS_WIN
    return QStringLiteral("COM") + QString::number(number);
#else
    QStringList locations;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        locations.append(info.systemLocation());
    return comOrder(locations).value(number - 1);
#endif
}

QList<int> presentPorts()
{
    QStringList windowsPorts;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        windowsPorts.append(info.portName());
    QList<int> ports;
    for (int n = 1; n <= 50; ++n) {
        const QString path = devicePath(n);
        const bool present =
            !path.isEmpty() && (QFileInfo::exists(path) || windowsPorts.contains(path));
        if (present)
            ports.append(n);
    }
    return ports;
}

} // namespace ComPortNames
