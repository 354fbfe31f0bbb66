#pragma once

#include <QColor>

#include <array>

// What the trend plot's files share: where its frame sits and the colours that tie the legend,
// the grid and the traces together.
namespace trendplot {

constexpr int LeftMargin = 56, RightMargin = 12, TopMargin = 22, BottomMargin = 24;
constexpr int AnalogFullScale = 1023;

inline const std::array<QColor, 3> AnalogColours{QColor(0, 90, 200), QColor(220, 110, 0),
                                                 QColor(0, 150, 60)};
inline const QColor GridColour(225, 225, 225);

} // namespace trendplot
