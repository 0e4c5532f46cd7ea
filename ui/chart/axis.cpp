#include "ui/chart/axis.h"

#include <algorithm>
#include <stdexcept>

#include "ui/chart/chart_model.h"

namespace ui {

TChartAxis::TChartAxis(TChartModel* model, bool automatic, double minimum, double maximum)
    : model_(model), automatic_(automatic), min_(minimum), max_(maximum) {}

double TChartAxis::Minimum() const {
  double lo = 0;
  double hi = 0;
  if (automatic_)
    return model_->YRange(&lo, &hi) ? lo : 0;
  return min_;
}

double TChartAxis::Maximum() const {
  double lo = 0;
  double hi = 0;
  if (automatic_)
    return model_->YRange(&lo, &hi) ? hi : 0;
  return max_;
}

void TChartAxis::SetMinimum(double value) {
  if (value > max_)
    throw std::runtime_error("Axis Minimum Value must be <= Maximum");
  Change(value, max_);
}

void TChartAxis::SetMaximum(double value) {
  if (value < min_)
    throw std::runtime_error("Axis Maximum Value must be >= Minimum");
  Change(min_, value);
}

void TChartAxis::SetMinMax(double a, double b) {
  automatic_ = false;
  Change(std::min(a, b), std::max(a, b));
}

void TChartAxis::Change(double minimum, double maximum) {
  if (minimum == min_ && maximum == max_)
    return;
  min_ = minimum;
  max_ = maximum;
  model_->AxisChanged();
}

}  // namespace ui
