#pragma once

#include <QRect>

// Layout positions are kept in twips; at 96 dpi there are 15 to a pixel, and
// Qt's high-DPI scaling takes care of other screens.
namespace Twips {

inline constexpr int PerPixel = 15;

constexpr int toPixels(double twips)
{
    return int(twips / PerPixel + 0.5);
}

inline QRect rect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

} // namespace Twips
