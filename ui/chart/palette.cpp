#include "ui/chart/palette.h"

#include <algorithm>
#include <cstddef>

namespace ui {
namespace {

// The grid lies this far (out of 255) from the background towards the text color: a faint
// line on a light or a dark ground alike, and on white under black text the grey (232, 232, 232).
constexpr int kGridShare = 23;

int Blend(int from, int to) {
  return from + ((to - from) * kGridShare + (to > from ? 127 : -127)) / 255;
}

}  // namespace

// The colors the walk's design leaves open follow the chart's palette, so a dark theme gives a
// dark chart; the title, the markers, the zero lines and the hover pen keep their own colors.
TChartColors TChartColors::Of(const QPalette& palette) {
  const QColor base = palette.color(QPalette::Active, QPalette::Base);
  const QColor text = palette.color(QPalette::Active, QPalette::Text);
  TChartColors colors;
  colors.background = base;
  colors.axis = text;
  colors.grid = QColor(Blend(base.red(), text.red()), Blend(base.green(), text.green()),
                       Blend(base.blue(), text.blue()));
  return colors;
}

const TChartPalette& ChartPalette(int index) {
  static constexpr TChartPalette kTwelveColors = {
      0xA36644, 0x359CF3, 0x144CF1, 0xA8974E, 0x6B402B, 0x637B1D,
      0x0E08B3, 0x5DC0F2, 0x9EB75D, 0x707070, 0x8DEAF3, 0xB4B4B4,
  };
  // Red, green, blue, olive, purple, teal, maroon, lime, fuchsia, grey, yellow, navy.
  static constexpr TChartPalette kPlain = {
      0x0000FF, 0x008000, 0xFF0000, 0x008080, 0x800080, 0x808000,
      0x000080, 0x00FF00, 0xFF00FF, 0x808080, 0x00FFFF, 0x800000,
  };
  return index == 13 ? kTwelveColors : kPlain;
}

int PaletteEntryOf(const TChartPalette& palette, TColor color) {
  const auto found = std::find(palette.begin(), palette.end(), color);
  return found == palette.end() ? -1 : static_cast<int>(found - palette.begin());
}

int TPaletteHolders::EntryForNewSeries(int series_count) const {
  const auto free = std::find(counts_.begin(), counts_.end(), 0);
  return free != counts_.end() ? static_cast<int>(free - counts_.begin())
                               : series_count % static_cast<int>(counts_.size());
}

void TPaletteHolders::Hold(int entry) {
  if (entry >= 0)
    ++counts_[static_cast<std::size_t>(entry)];
}

void TPaletteHolders::Release(int entry) {
  if (entry >= 0)
    --counts_[static_cast<std::size_t>(entry)];
}

}  // namespace ui
