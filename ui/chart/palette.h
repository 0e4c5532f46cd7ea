#pragma once

#include <array>

#include "ui/color.h"

namespace ui {

using TChartPalette = std::array<TColor, 12>;

// The palette chosen by a palette index: 13 is the twelve-colour palette of the walk chart; any
// other index gives twelve plain colours.
const TChartPalette& ChartPalette(int index);

}  // namespace ui
