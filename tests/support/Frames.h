#pragma once

#include "ReferenceCrc.h"

#include <QByteArray>
#include <QString>

// Frames written out by hand, with the CRC computed independently of the master.
namespace Frames {

// "01 03 00 0B" -> bytes
inline QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(spaced);
}

// Low byte of the CRC goes first on the wire.
inline QByteArray withCrc(const QByteArray &frame)
{
    const std::uint16_t crc = bitwiseCrc(frame);
    return frame + char(crc & 0xFF) + char(crc >> 8);
}

// How the echo boxes show bytes: "[01][03]".
inline QString echo(const QByteArray &bytes)
{
    QString text;
    for (char c : bytes)
        text += QStringLiteral("[%1]").arg(quint8(c), 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

} // namespace Frames
