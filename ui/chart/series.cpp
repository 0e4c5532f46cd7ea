#include "ui/chart/series.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "ui/chart/chart_model.h"

namespace ui {

TChartSeries::TChartSeries()
    : min_y_(std::numeric_limits<double>::infinity()),
      max_y_(-std::numeric_limits<double>::infinity()) {}

int TChartSeries::AddXY(double x, double y, const QString& label, TColor color) {
  // Points almost always arrive in ascending x: then this is a plain append.
  std::size_t index = xs_.size();
  if (!xs_.empty() && x < xs_.back())
    index = static_cast<std::size_t>(std::upper_bound(xs_.begin(), xs_.end(), x) - xs_.begin());
  if (index == xs_.size()) {
    xs_.push_back(x);
    ys_.push_back(y);
    colors_.push_back(color);
  } else {
    xs_.insert(xs_.begin() + index, x);
    ys_.insert(ys_.begin() + index, y);
    colors_.insert(colors_.begin() + index, color);
  }
  if (!labels_.empty() || !label.isEmpty()) {
    labels_.resize(xs_.size() - 1);
    labels_.insert(labels_.begin() + index, label);
  }
  min_y_ = std::min(min_y_, y);
  max_y_ = std::max(max_y_, y);
  if (model_)
    model_->PointAdded(*this, y);
  return static_cast<int>(index);
}

void TChartSeries::Clear() {
  xs_.clear();
  ys_.clear();
  colors_.clear();
  labels_.clear();
  min_y_ = std::numeric_limits<double>::infinity();
  max_y_ = -std::numeric_limits<double>::infinity();
  const bool first_clear = !cleared_;
  cleared_ = true;
  if (model_)
    model_->SeriesCleared(*this, first_clear);
}

double TChartSeries::XValue(int index) const {
  return xs_.at(static_cast<std::size_t>(index));
}

double TChartSeries::YValue(int index) const {
  return ys_.at(static_cast<std::size_t>(index));
}

TColor TChartSeries::ValueColor(int index) const {
  const TColor color = colors_.at(static_cast<std::size_t>(index));
  return color == clTeeColor ? color_ : color;
}

QString TChartSeries::Label(int index) const {
  if (index < 0 || index >= Count())
    throw std::out_of_range("TChartSeries::Label: index out of range");
  return labels_.empty() ? QString() : labels_[static_cast<std::size_t>(index)];
}

double TChartSeries::LastX() const {
  if (xs_.empty())
    throw std::runtime_error("The series has no points");
  return xs_.back();
}

void TChartSeries::SetSeriesColor(TColor color) {
  const TColor old_color = color_;
  color_ = color;
  has_color_ = true;
  palette_entry_ = -1;
  if (model_)
    model_->SeriesColorChanged(old_color, color_);
}

void TChartSeries::BindTo(TChartModel* model, TChart* chart, int index) {
  model_ = model;
  chart_ = chart;
  index_ = index;
}

void TChartSeries::TakePaletteColor(TColor color, int entry) {
  color_ = color;
  has_color_ = true;
  palette_entry_ = entry;
}

std::pair<int, int> TChartSeries::IndexRange(double lo, double hi) const {
  const auto first = std::lower_bound(xs_.begin(), xs_.end(), lo);
  const auto last = std::upper_bound(first, xs_.end(), hi);
  return {static_cast<int>(first - xs_.begin()), static_cast<int>(last - xs_.begin())};
}

}  // namespace ui
