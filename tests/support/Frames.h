#pragma once

#include "ReferenceCrc.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

// Frames written out by hand, with the CRC computed independently of the master.
namespace Frames {

// Low byte of the CRC goes first on the wire.
inline QByteArray withCrc(QByteArray frame)
{
    const std::uint16_t crc = bitwiseCrc(frame);
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}

// "01 03 00 0B" -> bytes
inline QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(spaced);
}

// How the echo boxes show bytes: "[01][03]".
inline QString echo(const QByteArray &bytes)
{
    QString text;
    for (char c : bytes)
        text += QStringLiteral("[%1]")
                    .arg(static_cast<std::uint8_t>(c), 2, 16, QLatin1Char('0'))
                    .toUpper();
    return text;
}

} // namespace Frames
