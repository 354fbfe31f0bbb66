#pragma once

#include "Crc.h"

#include <cstdint>
#include <vector>

// CRC-16/MODBUS for frames written by hand: line's, bit by bit, which shares nothing with the
// master's tables and is itself held to the hand-worked CRCs of LineVectors.h.
template <typename Bytes> std::uint16_t bitwiseCrc(const Bytes &bytes)
{
    return line::crc16({reinterpret_cast<const std::uint8_t *>(bytes.data()),
                        static_cast<std::size_t>(bytes.size())});
}

// The frame with its CRC appended, low byte first as on the wire.
inline std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame)
{
    const std::uint16_t crc = bitwiseCrc(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}
