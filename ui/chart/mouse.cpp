#include "ui/chart/chart.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/chart/chart_private.h"
#include "ui/chart/scale.h"

namespace ui {
namespace {

// A marker is under the pointer when its centre is less than this many pixels away both ways.
constexpr int kMarkerReach = 4;
// A line is under the pointer when it passes within this many pixels of it.
constexpr double kLineReach = 2;

int PixelOf(double coordinate) {
  return static_cast<int>(std::floor(coordinate));
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

void TChart::mousePressEvent(QMouseEvent* event) {
  // Anywhere on the chart, the left button starts a pan; Qt keeps sending this widget the
  // mouse's events until the button is released, even outside it.
  if (event->button() == Qt::LeftButton && d_->panning_mode_ == TPanningMode::pmHorizontal) {
    d_->panning_ = true;
    d_->pan_column_ = PixelOf(event->position().x());
    d_->SetHover(-1, -1);
  }
  event->accept();
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
  if (d_->panning_) {
    const int column = PixelOf(event->position().x());
    const int width = PlotArea().width();
    if (column != d_->pan_column_ && width > 0) {
      // Dragging to the right brings smaller x into view; the range keeps its width.
      TChartAxis& axis = d_->bottom_axis_;
      const double shift = (d_->pan_column_ - column) * (axis.Maximum() - axis.Minimum()) / width;
      axis.SetMinMax(axis.Minimum() + shift, axis.Maximum() + shift);
    }
    d_->pan_column_ = column;
    event->accept();
    return;
  }
  int series = -1;
  int point = -1;
  d_->HitTest(event->position(), &series, &point);
  d_->SetHover(series, point);
  event->accept();
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  d_->panning_ = false;
  int series = -1;
  int point = -1;
  d_->HitTest(event->position(), &series, &point);
  d_->SetHover(series, point);
  event->accept();
}

void TChart::leaveEvent(QEvent* event) {
  if (!d_->panning_)
    d_->SetHover(-1, -1);
  QWidget::leaveEvent(event);
}

void TChart::wheelEvent(QWheelEvent* event) {
  // Zooming is off: the wheel changes nothing, and it does not scroll whatever holds the chart.
  event->accept();
}

void TChart::Private::SetHover(int series, int point) {
  if (series == hover_series_ && point == hover_point_)
    return;
  hover_series_ = series;
  hover_point_ = point;
  chart_->update();
}

bool TChart::Private::HitTest(QPointF position, int* hit_series, int* hit_point) {
  *hit_series = -1;
  *hit_point = -1;
  EnsureVisibleLines();
  const TChartScale scale = MakeScale();
  const int column = PixelOf(position.x());
  const int row = PixelOf(position.y());
  // Only what is drawn, inside the plot area, can be under the pointer.
  if (!scale.plot.contains(column, row))
    return false;
  const QPointF centre(column + 0.5, row + 0.5);

  // The topmost thing drawn wins: the one of the highest series index.
  visible_lines_.ForEachPiece(
      std::max(scale.XAt(column - 1), scale.x_min), std::min(scale.XAt(column + 1), scale.x_max),
      [&](const TVisibleLines::Piece& piece) {
        const int first = scale.Column(std::max(piece.start, scale.x_min));
        const int last = scale.Column(std::min(piece.end, scale.x_max));
        if (column >= first && column <= last && std::abs(scale.Row(piece.y) - row) <= kLineReach &&
            piece.series > *hit_series) {
          *hit_series = piece.series;
          *hit_point = -1;
        }
      });

  for (auto it = others_.rbegin(); it != others_.rend() && *it > *hit_series; ++it) {
    const TChartSeries& series = *series_[static_cast<std::size_t>(*it)];
    const double reach = series.IsLine() ? kLineReach + 1 : kMarkerReach;
    auto [first, last] = series.IndexRange(std::max(scale.XAt(column - reach), scale.x_min),
                                           std::min(scale.XAt(column + reach), scale.x_max));
    const auto xs = series.XValues();
    const auto ys = series.YValues();
    if (series.IsLine()) {
      first = std::max(first - 1, 0);
      last = std::min(last, series.Count() - 1);
      for (int i = first; i < last; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        QLineF line;
        if (ClippedSegment(scale, xs[at], ys[at], xs[at + 1], ys[at + 1], &line) &&
            DistanceToSegment(centre, line) <= kLineReach) {
          *hit_series = *it;
          *hit_point = -1;
          return true;
        }
      }
      continue;
    }
    // Later points are drawn over earlier ones: look from the last.
    for (int i = last - 1; i >= first; --i) {
      const std::size_t at = static_cast<std::size_t>(i);
      if (std::abs(scale.Column(xs[at]) - column) < kMarkerReach &&
          std::abs(scale.Row(ys[at]) - row) < kMarkerReach) {
        *hit_series = *it;
        *hit_point = i;
        return true;
      }
    }
  }
  return *hit_series >= 0;
}

}  // namespace ui
