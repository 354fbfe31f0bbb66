#include "SlotPort.h"

#include "PortMap.h"
#include "PortTarget.h"

#include <algorithm>

SlotPort slotPort(const std::string &given, std::string *why)
{
    const QString text = QString::fromStdString(given).trimmed();
    if (text.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive)) {
        PortTarget target;
        QString error;
        if (!PortTarget::parse(text, &target, &error)) {
            *why = error.toStdString();
            return {};
        }
        target.host = target.host.toLower(); // host names and IPv6 digits know no case
        return {0, target.text().toStdString()};
    }
    bool ok = false;
    const int number = text.toInt(&ok);
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (digits && ok && number >= PortMap::FirstPort && number <= PortMap::LastPort)
        return {number, QStringLiteral("COM %1").arg(number).toStdString()};
    *why = QStringLiteral("\"%1\" is neither a COM number (%2-%3) nor tcp://HOST:PORT")
               .arg(text)
               .arg(PortMap::FirstPort)
               .arg(PortMap::LastPort)
               .toStdString();
    return {};
}
