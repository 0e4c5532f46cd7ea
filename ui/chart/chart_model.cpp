#include "ui/chart/chart.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "ui/chart/chart_private.h"
#include "ui/chart/scale.h"

namespace ui {

void TChart::Private::PointAdded(const TChartSeries& series, double y) {
  if (!series.WasCleared() && steady_valid_) {
    steady_min_ = std::min(steady_min_, y);
    steady_max_ = std::max(steady_max_, y);
  }
  if (in_visible_lines_[static_cast<std::size_t>(series.Index())])
    visible_lines_dirty_ = true;
  RequestRepaint();
}

void TChart::Private::SeriesCleared(TChartSeries& series, bool first_clear) {
  if (first_clear) {
    // Its points may have held the extremes: work the steady ones out again, once.
    shrinkable_series_.push_back(&series);
    steady_valid_ = false;
  }
  if (in_visible_lines_[static_cast<std::size_t>(series.Index())])
    visible_lines_dirty_ = true;
  // The highlighted point is gone; the next mouse move finds what lies under the pointer now.
  if (series.Index() == hover_series_)
    hover_series_ = hover_point_ = -1;
  RequestRepaint();
}

void TChart::Private::SeriesColorChanged(TColor old_color, TColor new_color) {
  palette_holders_.Release(PaletteEntryOf(old_color));
  palette_holders_.Hold(PaletteEntryOf(new_color));
  RequestRepaint();
}

bool TChart::Private::DataYRange(double* lo, double* hi) const {
  if (!steady_valid_) {
    steady_min_ = std::numeric_limits<double>::infinity();
    steady_max_ = -std::numeric_limits<double>::infinity();
    for (const auto& series : series_) {
      if (!series->WasCleared()) {
        steady_min_ = std::min(steady_min_, series->MinY());
        steady_max_ = std::max(steady_max_, series->MaxY());
      }
    }
    steady_valid_ = true;
  }
  double low = steady_min_;
  double high = steady_max_;
  for (const TChartSeries* series : shrinkable_series_) {
    low = std::min(low, series->MinY());
    high = std::max(high, series->MaxY());
  }
  if (!(low <= high))
    return false;
  *lo = low;
  *hi = high;
  return true;
}

void TChart::Private::RecountPaletteHolders() {
  palette_holders_.Clear();
  for (const auto& series : series_)
    palette_holders_.Hold(PaletteEntryOf(series->SeriesColor()));
}

int TChart::Private::PaletteEntryOf(TColor color) const {
  return ui::PaletteEntryOf(ChartPalette(palette_index_), color);
}

bool TChart::Private::FitsVisibleLines(const TChartSeries& series) {
  if (!series.IsLine() || series.Count() != 2)
    return false;
  const auto xs = series.XValues();
  const auto ys = series.YValues();
  return ys[0] == ys[1] && std::isfinite(ys[0]) && std::isfinite(xs[0]) && std::isfinite(xs[1]);
}

void TChart::Private::EnsureVisibleLines() {
  if (!visible_lines_dirty_)
    return;
  visible_lines_.Clear();
  others_.clear();
  for (std::size_t i = 0; i < series_.size(); ++i) {
    const TChartSeries& series = *series_[i];
    in_visible_lines_[i] = FitsVisibleLines(series);
    if (in_visible_lines_[i])
      visible_lines_.Add(series.YValues()[0], series.XValues()[0], series.XValues()[1],
                         static_cast<int>(i));
    else
      others_.push_back(static_cast<int>(i));
  }
  visible_lines_dirty_ = false;
}

TChartScale TChart::Private::MakeScale() const {
  TChartScale scale;
  scale.plot = chart_->PlotArea();
  scale.x_min = bottom_axis_.Minimum();
  scale.x_max = bottom_axis_.Maximum();
  double lo = 0;
  double hi = 0;
  if (DataYRange(&lo, &hi)) {
    scale.y_min = lo;
    scale.y_max = hi;
    scale.y_spread = hi > lo && std::isfinite(hi - lo);
  }
  return scale;
}

}  // namespace ui
