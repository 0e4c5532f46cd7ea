#include "ui/chart/chart.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "ui/chart/palette.h"
#include "ui/chart/scale.h"

namespace ui {
namespace {

// Room around the plot area: the y labels on the left, the title above, the x labels below.
constexpr int kLeftMargin = 60;
constexpr int kTopMargin = 44;
constexpr int kRightMargin = 20;
constexpr int kBottomMargin = 28;

}  // namespace

TChart::TChart(QWidget* parent)
    : QWidget(parent),
      bottom_axis_(this, false, 0, 24),
      left_axis_(this, true, 0, 0),
      steady_min_(std::numeric_limits<double>::infinity()),
      steady_max_(-std::numeric_limits<double>::infinity()) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TChart::~TChart() = default;

void TChart::AddSeries(TChartSeries* series) {
  if (series == nullptr)
    throw std::invalid_argument("TChart::AddSeries: no series");
  if (series->chart_ != nullptr)
    throw std::invalid_argument("TChart::AddSeries: the series already belongs to a chart");
  const int index = SeriesCount();
  series_.emplace_back(series);
  series->chart_ = this;
  series->index_ = index;

  if (!series->has_color_) {
    const TChartPalette& palette = ChartPalette(palette_index_);
    const auto free = std::find(palette_holders_.begin(), palette_holders_.end(), 0);
    const int entry = free != palette_holders_.end()
                          ? static_cast<int>(free - palette_holders_.begin())
                          : index % static_cast<int>(palette.size());
    series->color_ = palette[static_cast<std::size_t>(entry)];
    series->has_color_ = true;
    series->palette_entry_ = entry;
  }
  if (const int held = PaletteEntryOf(series->color_); held >= 0)
    ++palette_holders_[static_cast<std::size_t>(held)];

  if (series->shrinkable_) {
    shrinkable_series_.push_back(series);
  } else if (steady_valid_) {
    steady_min_ = std::min(steady_min_, series->min_y_);
    steady_max_ = std::max(steady_max_, series->max_y_);
  }

  if (skyline_dirty_) {
    // The rebuild will sort this series in with the others.
  } else if (FitsSkyline(*series)) {
    series->in_skyline_ = true;
    skyline_.Add(series->ys_[0], series->xs_[0], series->xs_[1], index);
  } else {
    others_.push_back(index);
  }
  RequestRepaint();
}

TChartSeries* TChart::Series(int index) const {
  return series_.at(static_cast<std::size_t>(index)).get();
}

void TChart::SetTitleText(const QString& text) {
  if (text == title_)
    return;
  title_ = text;
  RequestRepaint();
}

void TChart::SetColorPaletteIndex(int index) {
  if (index == palette_index_)
    return;
  palette_index_ = index;
  const TChartPalette& palette = ChartPalette(index);
  for (const auto& series : series_) {
    if (series->palette_entry_ >= 0)
      series->color_ = palette[static_cast<std::size_t>(series->palette_entry_)];
  }
  RecountPaletteHolders();
  RequestRepaint();
}

QRect TChart::PlotArea() const {
  return QRect(kLeftMargin, kTopMargin, std::max(width() - kLeftMargin - kRightMargin, 0),
               std::max(height() - kTopMargin - kBottomMargin, 0));
}

void TChart::PointAdded(TChartSeries& series, double y) {
  if (!series.shrinkable_ && steady_valid_) {
    steady_min_ = std::min(steady_min_, y);
    steady_max_ = std::max(steady_max_, y);
  }
  if (series.in_skyline_)
    skyline_dirty_ = true;
  RequestRepaint();
}

void TChart::SeriesCleared(TChartSeries& series) {
  if (!series.shrinkable_) {
    // Its points may have held the extremes: work the steady ones out again, once.
    series.shrinkable_ = true;
    shrinkable_series_.push_back(&series);
    steady_valid_ = false;
  }
  if (series.in_skyline_)
    skyline_dirty_ = true;
  // The highlighted point is gone; the next mouse move finds what lies under the pointer now.
  if (series.index_ == hover_series_)
    hover_series_ = hover_point_ = -1;
  RequestRepaint();
}

void TChart::SeriesColorChanged(TChartSeries& series, TColor old_color) {
  if (const int entry = PaletteEntryOf(old_color); entry >= 0)
    --palette_holders_[static_cast<std::size_t>(entry)];
  if (const int entry = PaletteEntryOf(series.color_); entry >= 0)
    ++palette_holders_[static_cast<std::size_t>(entry)];
  RequestRepaint();
}

void TChart::RequestRepaint() {
  // Many changes in a row cost one update() call; the flag drops when the paint runs.
  if (repaint_requested_)
    return;
  repaint_requested_ = true;
  update();
}

bool TChart::DataYRange(double* lo, double* hi) const {
  if (!steady_valid_) {
    steady_min_ = std::numeric_limits<double>::infinity();
    steady_max_ = -std::numeric_limits<double>::infinity();
    for (const auto& series : series_) {
      if (!series->shrinkable_) {
        steady_min_ = std::min(steady_min_, series->min_y_);
        steady_max_ = std::max(steady_max_, series->max_y_);
      }
    }
    steady_valid_ = true;
  }
  double low = steady_min_;
  double high = steady_max_;
  for (const TChartSeries* series : shrinkable_series_) {
    low = std::min(low, series->min_y_);
    high = std::max(high, series->max_y_);
  }
  if (!(low <= high))
    return false;
  *lo = low;
  *hi = high;
  return true;
}

void TChart::RecountPaletteHolders() {
  palette_holders_.fill(0);
  for (const auto& series : series_) {
    if (const int entry = PaletteEntryOf(series->color_); entry >= 0)
      ++palette_holders_[static_cast<std::size_t>(entry)];
  }
}

int TChart::PaletteEntryOf(TColor color) const {
  const TChartPalette& palette = ChartPalette(palette_index_);
  const auto found = std::find(palette.begin(), palette.end(), color);
  return found == palette.end() ? -1 : static_cast<int>(found - palette.begin());
}

bool TChart::FitsSkyline(const TChartSeries& series) {
  return series.IsLine() && series.Count() == 2 && series.ys_[0] == series.ys_[1] &&
         std::isfinite(series.ys_[0]) && std::isfinite(series.xs_[0]) &&
         std::isfinite(series.xs_[1]);
}

void TChart::EnsureSkyline() {
  if (!skyline_dirty_)
    return;
  skyline_.Clear();
  others_.clear();
  for (int i = 0; i < SeriesCount(); ++i) {
    TChartSeries& series = *series_[static_cast<std::size_t>(i)];
    series.in_skyline_ = FitsSkyline(series);
    if (series.in_skyline_)
      skyline_.Add(series.ys_[0], series.xs_[0], series.xs_[1], i);
    else
      others_.push_back(i);
  }
  skyline_dirty_ = false;
}

TChartScale TChart::MakeScale() const {
  TChartScale scale;
  scale.plot = PlotArea();
  scale.x_min = bottom_axis_.min_;
  scale.x_max = bottom_axis_.max_;
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
