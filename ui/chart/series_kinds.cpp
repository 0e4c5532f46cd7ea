// How each kind of series draws itself and finds its points under the pointer.
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/chart/paint.h"
#include "ui/chart/scale.h"
#include "ui/chart/series.h"

namespace ui {
namespace {

// A marker is under the pointer when its centre is less than this many pixels away both ways.
constexpr int kMarkerReach = 4;

// The half-open range of the segments (segment i joins points i and i + 1) that reach into
// [lo, hi]: they start one point before the points inside it and end one point after.
std::pair<int, int> SegmentRange(const TChartSeries& series, double lo, double hi) {
  const auto [first, last] = series.IndexRange(lo, hi);
  return {std::max(first - 1, 0), std::min(last, series.Count() - 1)};
}

double DistanceToSegment(const QPointF& p, const QLineF& line) {
  const QPointF d = line.p2() - line.p1();
  const double length2 = d.x() * d.x() + d.y() * d.y();
  double t = 0;
  if (length2 > 0)
    t = std::clamp(QPointF::dotProduct(p - line.p1(), d) / length2, 0.0, 1.0);
  const QPointF nearest = line.p1() + t * d;
  return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

}  // namespace

void TPointSeries::Draw(QPainter& painter, const TChartScale& scale, const TChartHit& hover) const {
  const auto [first, last] = IndexRange(scale.x_min, scale.x_max);
  const int hovered = Index() == hover.series ? hover.point : -1;
  const QColor outline(0, 0, 0);
  const auto xs = XValues();
  const auto ys = YValues();
  const auto colors = PointColors();
  for (int i = first; i < last; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    const int column = scale.Column(xs[at]);
    const int row = scale.Row(ys[at]);
    const TColor color = colors[at] == clTeeColor ? SeriesColor() : colors[at];
    // A 9 x 9 square: the outline ring around a 7 x 7 fill, on whole pixels.
    if (i == hovered) {
      painter.fillRect(QRect(column - 3, row - 3, 7, 7), ToQColor(color));
      painter.setPen(LinePen(kHoverColor, 3));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(QRectF(column - 3.5, row - 3.5, 8, 8));
    } else {
      painter.fillRect(QRect(column - 4, row - 4, 9, 9), outline);
      painter.fillRect(QRect(column - 3, row - 3, 7, 7), ToQColor(color));
    }
  }
}

std::optional<int> TPointSeries::HitTest(const TChartScale& scale, int column, int row) const {
  const auto [first, last] = IndexRange(std::max(scale.XAt(column - kMarkerReach), scale.x_min),
                                        std::min(scale.XAt(column + kMarkerReach), scale.x_max));
  const auto xs = XValues();
  const auto ys = YValues();
  // Later points are drawn over earlier ones: look from the last.
  for (int i = last - 1; i >= first; --i) {
    const std::size_t at = static_cast<std::size_t>(i);
    if (std::abs(scale.Column(xs[at]) - column) < kMarkerReach &&
        std::abs(scale.Row(ys[at]) - row) < kMarkerReach)
      return i;
  }
  return std::nullopt;
}

void TLineSeries::Draw(QPainter& painter, const TChartScale& scale, const TChartHit& hover) const {
  if (Count() < 2)
    return;
  const bool hovered = Index() == hover.series;
  const QPen pen = hovered ? LinePen(kHoverColor, 3) : LinePen(ToQColor(SeriesColor()), 1);
  const double half = pen.widthF() / 2;
  painter.setPen(pen);
  const auto [first, last] = SegmentRange(*this, scale.x_min, scale.x_max);
  const auto xs = XValues();
  const auto ys = YValues();
  for (int i = first; i < last; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    QLineF line;
    if (!ClippedSegment(scale, xs[at], ys[at], xs[at + 1], ys[at + 1], &line))
      continue;
    if (line.p1() == line.p2())  // a zero-length line would draw nothing: fill its square
      painter.fillRect(QRectF(line.p1() - QPointF(half, half), QSizeF(2 * half, 2 * half)),
                       pen.color());
    else
      painter.drawLine(line);
  }
}

std::optional<int> TLineSeries::HitTest(const TChartScale& scale, int column, int row) const {
  const double reach = kLineReach + 1;
  const auto [first, last] = SegmentRange(*this, std::max(scale.XAt(column - reach), scale.x_min),
                                          std::min(scale.XAt(column + reach), scale.x_max));
  const QPointF centre(column + 0.5, row + 0.5);
  const auto xs = XValues();
  const auto ys = YValues();
  for (int i = first; i < last; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    QLineF line;
    if (ClippedSegment(scale, xs[at], ys[at], xs[at + 1], ys[at + 1], &line) &&
        DistanceToSegment(centre, line) <= kLineReach)
      return -1;  // the line as a whole
  }
  return std::nullopt;
}

}  // namespace ui
