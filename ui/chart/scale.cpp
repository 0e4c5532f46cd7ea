#include "ui/chart/scale.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

// The markers' half-size: extreme values lie this far inside the plot area.
constexpr int kInflate = 4;

// Rounds to the nearest pixel, keeping far-away values in a range that int can hold.
int ToPixel(double value) {
  if (std::isnan(value))
    return 0;
  return static_cast<int>(std::floor(std::clamp(value, -1e8, 1e8) + 0.5));
}

}  // namespace

int TChartScale::Column(double x) const {
  const int span = plot.width() - 1;
  if (!(x_max > x_min) || span <= 0)
    return plot.left() + std::max(span, 0) / 2;
  return plot.left() + ToPixel((x - x_min) * span / (x_max - x_min));
}

int TChartScale::Row(double y) const {
  const int span = plot.height() - 1 - 2 * kInflate;
  if (!y_spread || span <= 0)
    return plot.top() + std::max(plot.height() - 1, 0) / 2;
  return plot.top() + kInflate + ToPixel((y_max - y) * span / (y_max - y_min));
}

double TChartScale::XAt(double column) const {
  const int span = plot.width() - 1;
  if (!(x_max > x_min) || span <= 0)
    return x_min;
  return x_min + (column - plot.left()) * (x_max - x_min) / span;
}

double TChartScale::YAt(double row) const {
  const int span = plot.height() - 1 - 2 * kInflate;
  if (!y_spread || span <= 0)
    return y_min;
  return y_max - (row - plot.top() - kInflate) * (y_max - y_min) / span;
}

bool ClippedSegment(const TChartScale& scale, double x0, double y0, double x1, double y1,
                    QLineF* line) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
    return false;
  if (x1 < scale.x_min || x0 > scale.x_max)
    return false;
  auto y_at = [&](double x) { return x1 == x0 ? y0 : y0 + (y1 - y0) * (x - x0) / (x1 - x0); };
  const double from = std::max(x0, scale.x_min);
  const double to = std::min(x1, scale.x_max);
  const double y_from = x0 < scale.x_min ? y_at(from) : y0;
  const double y_to = x1 > scale.x_max ? y_at(to) : y1;
  *line = QLineF(scale.Column(from) + 0.5, scale.Row(y_from) + 0.5, scale.Column(to) + 0.5,
                 scale.Row(y_to) + 0.5);
  return true;
}

std::vector<double> NiceTicks(double lo, double hi, int pixels, int spacing, double* step_out) {
  std::vector<double> ticks;
  *step_out = 0;
  if (!std::isfinite(lo) || !std::isfinite(hi) || hi < lo || pixels <= 0)
    return ticks;
  if (hi == lo) {
    ticks.push_back(lo);
    return ticks;
  }
  const double raw = (hi - lo) * std::max(spacing, 1) / pixels;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = 10 * power;
  for (double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= raw) {
      step = factor * power;
      break;
    }
  }
  const double first = std::ceil(lo / step);
  const double last = std::floor(hi / step);
  if (!(last - first < 500))
    return ticks;
  *step_out = step;
  for (double k = first; k <= last; ++k)
    ticks.push_back(k * step);
  return ticks;
}

QString TickText(double value, double step) {
  // A value within rounding error of zero would otherwise read "-0".
  if (std::abs(value) < step * 1e-9)
    value = 0;
  const int decimals =
      step > 0 ? std::clamp(-static_cast<int>(std::floor(std::log10(step))), 0, 15) : 0;
  return QString::number(value, 'f', decimals);
}

}  // namespace ui
