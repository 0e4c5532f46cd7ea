#include "ui/chart/chart_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ui/chart/scale.h"

namespace ui {

TChartModel::TChartModel(TChart* chart, TChartModelListener* listener)
    : chart_(chart),
      listener_(listener),
      bottom_axis_(this, false, 0, 24),
      left_axis_(this, true, 0, 0),
      steady_min_(std::numeric_limits<double>::infinity()),
      steady_max_(-std::numeric_limits<double>::infinity()) {}

void TChartModel::AddSeries(TChartSeries* series) {
  const int index = SeriesCount();
  series_.emplace_back(series);
  series->BindTo(this, chart_, index);

  if (!series->HasSeriesColor()) {
    const int entry = palette_holders_.EntryForNewSeries(index);
    series->TakePaletteColor(ChartPalette(palette_index_)[static_cast<std::size_t>(entry)], entry);
  }
  palette_holders_.Hold(PaletteEntryOf(series->SeriesColor()));

  if (series->WasCleared()) {
    shrinkable_series_.push_back(series);
  } else if (steady_valid_) {
    steady_min_ = std::min(steady_min_, series->MinY());
    steady_max_ = std::max(steady_max_, series->MaxY());
  }

  in_visible_lines_.push_back(false);
  if (visible_lines_dirty_) {
    // The rebuild will sort this series in with the others.
  } else if (FitsVisibleLines(*series)) {
    in_visible_lines_.back() = true;
    visible_lines_.Add(series->YValues()[0], series->XValues()[0], series->XValues()[1], index);
  } else {
    others_.push_back(index);
  }
  listener_->ModelChanged();
}

TChartSeries* TChartModel::Series(int index) const {
  return series_.at(static_cast<std::size_t>(index)).get();
}

void TChartModel::SetPaletteIndex(int index) {
  if (index == palette_index_)
    return;
  palette_index_ = index;
  const TChartPalette& palette = ChartPalette(index);
  for (const auto& series : series_) {
    if (const int entry = series->PaletteEntry(); entry >= 0)
      series->TakePaletteColor(palette[static_cast<std::size_t>(entry)], entry);
  }
  RecountPaletteHolders();
  listener_->ModelChanged();
}

void TChartModel::PointAdded(const TChartSeries& series, double y) {
  if (!series.WasCleared() && steady_valid_) {
    steady_min_ = std::min(steady_min_, y);
    steady_max_ = std::max(steady_max_, y);
  }
  if (in_visible_lines_[static_cast<std::size_t>(series.Index())])
    visible_lines_dirty_ = true;
  listener_->ModelChanged();
}

void TChartModel::SeriesCleared(TChartSeries& series, bool first_clear) {
  if (first_clear) {
    // Its points may have held the extremes: work the steady ones out again, once.
    shrinkable_series_.push_back(&series);
    steady_valid_ = false;
  }
  if (in_visible_lines_[static_cast<std::size_t>(series.Index())])
    visible_lines_dirty_ = true;
  listener_->SeriesCleared(series.Index());
  listener_->ModelChanged();
}

void TChartModel::AxisChanged() {
  listener_->ModelChanged();
}

void TChartModel::SeriesColorChanged(TColor old_color, TColor new_color) {
  palette_holders_.Release(PaletteEntryOf(old_color));
  palette_holders_.Hold(PaletteEntryOf(new_color));
  listener_->ModelChanged();
}

bool TChartModel::YRange(double* lo, double* hi) const {
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

void TChartModel::RecountPaletteHolders() {
  palette_holders_.Clear();
  for (const auto& series : series_)
    palette_holders_.Hold(PaletteEntryOf(series->SeriesColor()));
}

int TChartModel::PaletteEntryOf(TColor color) const {
  return ui::PaletteEntryOf(ChartPalette(palette_index_), color);
}

bool TChartModel::FitsVisibleLines(const TChartSeries& series) {
  if (!series.IsLine() || series.Count() != 2)
    return false;
  const auto xs = series.XValues();
  const auto ys = series.YValues();
  return ys[0] == ys[1] && std::isfinite(ys[0]) && std::isfinite(xs[0]) && std::isfinite(xs[1]);
}

void TChartModel::EnsureVisibleLines() {
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

TChartScale TChartModel::Scale(const QRect& plot) const {
  TChartScale scale;
  scale.plot = plot;
  scale.x_min = bottom_axis_.Minimum();
  scale.x_max = bottom_axis_.Maximum();
  double lo = 0;
  double hi = 0;
  if (YRange(&lo, &hi)) {
    scale.y_known = true;
    scale.y_min = lo;
    scale.y_max = hi;
    scale.y_spread = hi > lo && std::isfinite(hi - lo);
  }
  return scale;
}

}  // namespace ui
