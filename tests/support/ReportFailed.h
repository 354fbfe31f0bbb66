#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

// What a JSON self-test report blames: the relays', digital and analog inputs' failed, then the
// inputs' faults as input/relay: "|2||2/2".
inline QString failedOf(const QJsonObject &json)
{
    QStringList parts, faults;
    for (int step = 1; step <= 3; ++step) {
        QStringList numbers;
        for (const QJsonValue n : json["steps"][step]["values"]["failed"].toArray())
            numbers << QString::number(n.toInt());
        parts << numbers.join(' ');
        for (const QJsonValue f : json["steps"][step]["values"]["faults"].toArray())
            if (step > 1) // the relays' faults are words, their relays the failed ones
                faults << QStringLiteral("%1/%2").arg(f["input"].toInt()).arg(f["relay"].toInt());
    }
    return (parts << faults.join(' ')).join('|');
}
