// How a target is written:
//  - "tcp://HOST:PORT": a serial device server. HOST is a name, an IPv4
//    address or an IPv6 address in brackets ("tcp://[::1]:4001"); PORT is a
//    decimal number from 1 to 65535. "tcp" may be in any case; nothing may
//    follow the port.
//  - anything else is a serial device's path: absolute ("/dev/ttyUSB0"), or on
//    Windows a port name ("COM3").
//  - blanks around the whole text are ignored; an empty text is no target.
#include "PortTarget.h"

#include <QDir>
#include <QRegularExpression>

namespace {

const QString Scheme = QStringLiteral("tcp://");

bool parseTcp(const QString &rest, PortTarget *target, QString *error)
{
    const QString example =
        QStringLiteral("write it as tcp://HOST:PORT, e.g. tcp://192.0.2.10:4001");
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        *error = QStringLiteral("tcp://%1 has no port: %2").arg(rest, example);
        return false;
    }
    QString host = rest.left(colon);
    const QString portText = rest.mid(colon + 1);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    static const QRegularExpression hostChars(QStringLiteral("^[A-Za-z0-9._:%-]+$"));
    if (host.isEmpty() || !hostChars.match(host).hasMatch()) {
        *error = QStringLiteral("\"%1\" is not a host name or address: %2").arg(host, example);
        return false;
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        *error = QStringLiteral("the port \"%1\" is not a number from 1 to 65535").arg(portText);
        return false;
    }
    target->kind = PortTarget::Kind::Tcp;
    target->host = host;
    target->port = quint16(port);
    return true;
}

bool isDevice(const QString &path)
{
#ifdef Q_OS_WIN
    static const QRegularExpression portName(QStringLiteral("^COM[0-9]+$"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (portName.match(path).hasMatch())
        return true;
#endif
    return QDir::isAbsolutePath(path);
}

} // namespace

QString PortTarget::text() const
{
    if (kind == Kind::Device)
        return device;
    const QString shownHost =
        host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return Scheme + shownHost + QLatin1Char(':') + QString::number(port);
}

bool PortTarget::parse(const QString &text, PortTarget *target, QString *error)
{
    const QString t = text.trimmed();
    *target = {};
    if (t.startsWith(Scheme, Qt::CaseInsensitive))
        return parseTcp(t.mid(Scheme.size()), target, error);
    if (t.isEmpty() || !isDevice(t)) {
        *error = QStringLiteral("\"%1\" is neither tcp://HOST:PORT nor a device path such as "
                                "/dev/serial/by-id/...")
                     .arg(t);
        return false;
    }
    target->device = t;
    return true;
}
