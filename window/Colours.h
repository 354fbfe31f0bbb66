#pragma once

#include <QColor>
#include <cstdint>

// Colours are kept as 0x00BBGGRR values.
namespace Colours {

inline constexpr std::uint32_t Green = 0x00FF00; // on
inline constexpr std::uint32_t Red = 0x0000FF;   // off
inline constexpr std::uint32_t Blue = 0xFF0000;  // link

inline QColor toQColor(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace Colours
