#pragma once

#include <QColor>
#include <QPalette>

#include <array>

#include "ui/color.h"

namespace ui {

// The chart's own colors that follow the window's theme: the background of the panel and of the
// plot area, the grid, and the axis lines with their labels.
struct TChartColors {
  QColor background;
  QColor grid;
  QColor axis;

  static TChartColors Of(const QPalette& palette);
};

using TChartPalette = std::array<TColor, 12>;

// The palette chosen by a palette index: 13 is the twelve-color palette of the walk chart; any
// other index gives twelve plain colors.
const TChartPalette& ChartPalette(int index);
// The entry (0-based) that holds `color`, or -1 when the palette lacks it.
int PaletteEntryOf(const TChartPalette& palette, TColor color);

// How many series of a chart have each palette entry as their color, and so which entry a new
// series without a color of its own takes.
class TPaletteHolders {
 public:
  // The first entry (0-based), in table order, that no series holds; when all twelve are held,
  // entry n mod 12, n being the number of series already in the chart. So the first series takes
  // entry 0, and the k-th series after it entry k mod 12, as long as none has its own color.
  int EntryForNewSeries(int series_count) const;
  // One more or one fewer series has `entry` as its color; -1, no palette color, counts nothing.
  void Hold(int entry);
  void Release(int entry);
  void Clear() { counts_.fill(0); }

 private:
  std::array<int, 12> counts_{};
};

}  // namespace ui
