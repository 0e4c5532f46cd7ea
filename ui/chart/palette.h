#pragma once

#include <QColor>

#include <array>

#include "ui/chart/chart.h"

namespace ui {

using TChartPalette = std::array<TColor, 12>;

// The palette chosen by a palette index: 13 is the twelve-colour palette of the walk chart; any
// other index gives twelve plain colours.
const TChartPalette& ChartPalette(int index);

// A blue-green-red integer as an opaque QColor.
inline QColor ToQColor(TColor color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace ui
