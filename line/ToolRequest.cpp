#include "ToolRequest.h"

#include "Crc.h"

#include <algorithm>

namespace line {

std::vector<std::uint8_t> addressedCoilsFrame(const ToolRequest &r)
{
    const int byteCount = (r.quantity + 7) / 8;
    std::vector<std::uint8_t> frame{r.address,
                                    WriteMultipleCoils,
                                    std::uint8_t(r.start >> 8),
                                    std::uint8_t(r.start),
                                    std::uint8_t(r.quantity >> 8),
                                    std::uint8_t(r.quantity),
                                    std::uint8_t(byteCount)};
    for (int m = 0; m < byteCount; ++m) {
        const int bits = std::min(8, r.quantity - 8 * m); // coil 8m in bit 0
        frame.push_back(r.on ? std::uint8_t((1u << bits) - 1) : 0);
    }
    const std::uint16_t crc = crc16(frame);
    frame.push_back(std::uint8_t(crc));
    frame.push_back(std::uint8_t(crc >> 8));
    return frame;
}

} // namespace line
