#include "Faults.h"

#include "Crc.h"

#include <QStringList>

// What the faults do to a reply frame, in this order:
//   other address  the first byte becomes that address, the CRC is made good again
//   corrupt CRC    the last byte (CRC high) is inverted
//   cut short      the last three bytes are left off, so no reply is long enough
//   noise          FF AA FE goes in front: FF and FE are never slave addresses

namespace {

const QByteArray Noise = QByteArray::fromHex("FFAAFE");
constexpr qsizetype CutBytes = 3;

} // namespace

bool parseInputPair(const QString &text, int most, std::array<int, 2> *pair)
{
    if (text.trimmed() == QLatin1String("0")) {
        *pair = {};
        return true;
    }
    const QStringList items = text.split(QLatin1Char(','));
    bool okA = false, okB = false;
    const int a = items.value(0).trimmed().toInt(&okA);
    const int b = items.value(1).trimmed().toInt(&okB);
    if (items.size() != 2 || !okA || !okB || a == b || a < 1 || b < 1 || a > most || b > most)
        return false;
    *pair = {a, b};
    return true;
}

QByteArray spoilReply(QByteArray reply, const Faults &faults)
{
    if (reply.isEmpty())
        return reply;
    if (faults.otherAddress != 0 && reply.size() > 2) {
        reply[0] = char(faults.otherAddress);
        const auto body = reinterpret_cast<const std::uint8_t *>(reply.constData());
        const std::uint16_t crc = line::crc16({body, std::size_t(reply.size() - 2)});
        reply[reply.size() - 2] = char(crc & 0xFF); // low byte first
        reply[reply.size() - 1] = char(crc >> 8);
    }
    if (faults.corruptCrc)
        reply.back() = char(reply.back() ^ 0xFF);
    if (faults.cutShort)
        reply.chop(CutBytes);
    if (faults.noise)
        reply.prepend(Noise);
    return reply;
}
