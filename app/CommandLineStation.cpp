#include "CommandLine.h"

#include <QFileInfo>

// The station's lists, checked whole before any port is opened: a slot without its serial
// number, or two slots on one port or with one serial, would keep runs that cannot be told
// apart.
void CommandLine::readStation()
{
    const QStringList ports = value(Option::Port).split(QLatin1Char(','));
    const QStringList serials = value(Option::Serial).split(QLatin1Char(','));
    const auto item = [](const char *option, int index) {
        return QStringLiteral("--%1: item %2 of the list is empty.")
            .arg(QLatin1String(option))
            .arg(index + 1);
    };
    std::vector<SelfTest::Slot> station;
    QStringList names; // "COM 3" however it was written, so that no port is tested twice
    for (int i = 0; i < ports.size(); ++i) {
        SelfTest::Slot slot;
        QString name;
        if (ports[i].trimmed().isEmpty())
            return fail(item("port", i));
        if (!portFrom(ports[i], &slot.port, &slot.portText, &name))
            return;
        if (names.contains(name))
            return fail(QStringLiteral("--port names %1 twice.").arg(name));
        names << name;
        station.push_back(slot);
    }
    if (!isSet(Option::Serial))
        return fail(QStringLiteral("--serial is needed with several ports: a serial number for "
                                   "each, in --port's order."));
    if (serials.size() != ports.size())
        return fail(QStringLiteral("--serial names %1 serial numbers for %2 ports.")
                        .arg(serials.size())
                        .arg(ports.size()));
    for (int i = 0; i < serials.size(); ++i) {
        const QString serial = serials[i].trimmed();
        if (serial.isEmpty())
            return fail(item("serial", i));
        for (int j = 0; j < i; ++j)
            if (station[std::size_t(j)].serial == serial)
                return fail(QStringLiteral("--serial names %1 twice.").arg(serial));
        station[std::size_t(i)].serial = serial;
    }
    for (const Option option : {Option::Report, Option::Html})
        if (isSet(option) && QFileInfo(value(option)).exists() && !QFileInfo(value(option)).isDir())
            return fail(QStringLiteral("%1 names a folder with several ports: %2 is a file.")
                            .arg(optionName(option), value(option)));
    selfTestOptions.stationSlots = std::move(station);
}
