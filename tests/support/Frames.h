#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Frames written out by hand and an independent bitwise CRC-16/MODBUS to check
// the master against.
namespace Frames {

inline std::uint16_t bitwiseCrc(const QByteArray &bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

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
