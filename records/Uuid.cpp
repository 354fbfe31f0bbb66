#include "Uuid.h"

#include <array>
#include <cstdint>
#include <random>

namespace records {

std::string randomUuid()
{
    // The system's own source each time, not a generator seeded once: two stations, or two
    // programs started in the same instant, must not make the same id. MinGW's random_device
    // draws on the Windows CSPRNG.
    std::random_device source;
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const std::uint32_t word = source();
        for (std::size_t b = 0; b < 4; ++b)
            bytes[i + b] = std::uint8_t(word >> (8 * b));
    }
    bytes[6] = std::uint8_t((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = std::uint8_t((bytes[8] & 0x3F) | 0x80); // the RFC 4122 variant

    constexpr const char *Digits = "0123456789abcdef";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += Digits[bytes[i] >> 4];
        text += Digits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace records
