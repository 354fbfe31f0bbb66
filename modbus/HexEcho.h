#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace modbus {

// One byte as it appears in the echo boxes: "[0A]".
class HexEcho {
public:
    explicit constexpr HexEcho(std::uint8_t byte)
        : text{'[', digit(byte >> 4), digit(byte & 0x0F), ']'}
    {
    }
    constexpr std::string_view view() const { return {text.data(), text.size()}; }

private:
    static constexpr char digit(int nibble)
    {
        return static_cast<char>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
    }
    std::array<char, 4> text;
};

} // namespace modbus
