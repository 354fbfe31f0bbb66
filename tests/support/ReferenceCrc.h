#pragma once

#include <cstdint>
#include <vector>

// CRC-16/MODBUS computed bit by bit, independently of the master's tables.
template <typename Bytes> std::uint16_t bitwiseCrc(const Bytes &bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (auto c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

// The frame with its CRC appended, low byte first as on the wire.
inline std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame)
{
    const std::uint16_t crc = bitwiseCrc(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}
