#pragma once

#include "Rtu.h"

#include <cstdint>

namespace line {

// CRC-16/MODBUS of the bytes.
std::uint16_t crc16(ByteView bytes);

// Whether the frame ends in the CRC of the bytes before it, low byte first.
bool crcMatches(ByteView frame);

} // namespace line
