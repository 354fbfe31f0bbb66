// CRC-16/MODBUS, bit by bit: reflected polynomial 0xA001, start value 0xFFFF.
// Only closed transactions are checked, a few per second, so no table.
#include "Crc.h"

namespace line {

std::uint16_t crc16(ByteView bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1U) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U)
                             : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

bool crcMatches(ByteView frame)
{
    if (frame.size() < 2)
        return false;
    const std::size_t n = frame.size() - 2;
    const std::uint16_t crc = crc16(ByteView(frame.begin(), n));
    return frame[n] == (crc & 0xFF) && frame[n + 1] == (crc >> 8);
}

} // namespace line
