#include "ui/chart/chart.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "ui/chart/chart_private.h"
#include "ui/chart/paint.h"
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

void TChart::Private::DrawSeries(QPainter& painter, const TChartScale& scale) const {
  // The visible pieces of the horizontal lines, each tagged with its series so that everything
  // is drawn in list order. A hovered line is drawn whole in the highlight pen instead.
  struct Piece {
    int series;
    int first_column;
    int last_column;
    int row;
  };
  const bool hovered_line = hover_series_ >= 0 &&
                            hover_series_ < static_cast<int>(series_.size()) && hover_point_ < 0 &&
                            in_visible_lines_[static_cast<std::size_t>(hover_series_)];
  std::vector<Piece> pieces;
  visible_lines_.ForEachPiece(scale.x_min, scale.x_max, [&](const TVisibleLines::Piece& piece) {
    if (hovered_line && piece.series == hover_series_)
      return;
    Piece next{piece.series, scale.Column(std::max(piece.start, scale.x_min)),
               scale.Column(std::min(piece.end, scale.x_max)), scale.Row(piece.y)};
    // Pieces of one height arrive from left to right and meet at most in one shared column;
    // there the newer series is drawn last and wins. Settling that here leaves at most one
    // piece per column to draw, however many lines end inside the view.
    if (!pieces.empty() && pieces.back().row == next.row &&
        pieces.back().last_column == next.first_column) {
      Piece& previous = pieces.back();
      if (next.series > previous.series) {
        if (--previous.last_column < previous.first_column)
          pieces.pop_back();
      } else if (++next.first_column > next.last_column) {
        return;
      }
    }
    pieces.push_back(next);
  });
  if (hovered_line) {
    const TChartSeries& line = *series_[static_cast<std::size_t>(hover_series_)];
    const auto xs = line.XValues();
    const double start = std::min(xs[0], xs[1]);
    const double end = std::max(xs[0], xs[1]);
    if (start <= scale.x_max && end >= scale.x_min)
      pieces.push_back({hover_series_, scale.Column(std::max(start, scale.x_min)),
                        scale.Column(std::min(end, scale.x_max)), scale.Row(line.YValues()[0])});
  }
  std::sort(pieces.begin(), pieces.end(),
            [](const Piece& a, const Piece& b) { return a.series < b.series; });

  auto draw_piece = [&](const Piece& piece) {
    const bool hovered = hovered_line && piece.series == hover_series_;
    // A horizontal line on pixel centres covers whole pixels: filling them is exact, and a piece
    // of one column still shows, where a zero-length line would draw nothing.
    const int half = hovered ? 1 : 0;
    painter.fillRect(
        QRect(piece.first_column - half, piece.row - half,
              piece.last_column - piece.first_column + 1 + 2 * half, 1 + 2 * half),
        hovered ? kHoverColor
                : ToQColor(series_[static_cast<std::size_t>(piece.series)]->SeriesColor()));
  };
  auto next_piece = pieces.begin();
  for (int index : others_) {
    for (; next_piece != pieces.end() && next_piece->series < index; ++next_piece)
      draw_piece(*next_piece);
    const TChartSeries& series = *series_[static_cast<std::size_t>(index)];
    if (series.IsLine())
      DrawLine(painter, scale, series);
    else
      DrawPoints(painter, scale, series);
  }
  for (; next_piece != pieces.end(); ++next_piece)
    draw_piece(*next_piece);
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
