#pragma once

#include "Bytes.h"
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

// As the echo boxes show them, in the one wording Bytes.h keeps.
inline QString echo(const QByteArray &bytes)
{
    return QString::fromStdString(echoOf(Bytes(bytes.begin(), bytes.end())));
}

} // namespace Frames
