// The model's side of drawing: the series in list order, the zero lines through their visible
// pieces so that a frame costs what is on the screen, however many lines were ever added.
#include "ui/chart/chart_model.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ui/chart/paint.h"
#include "ui/chart/scale.h"

namespace ui {

void TChartModel::DrawSeries(QPainter& painter, const TChartScale& scale, const TChartHit& hover) {
  EnsureVisibleLines();
  // The visible pieces of the horizontal lines, each tagged with its series so that everything
  // is drawn in list order. A hovered line is drawn whole in the highlight pen instead.
  struct Piece {
    int series;
    int first_column;
    int last_column;
    int row;
  };
  const bool hovered_line = hover.series >= 0 && hover.series < static_cast<int>(series_.size()) &&
                            hover.point < 0 &&
                            in_visible_lines_[static_cast<std::size_t>(hover.series)];
  std::vector<Piece> pieces;
  visible_lines_.ForEachPiece(scale.x_min, scale.x_max, [&](const TVisibleLines::Piece& piece) {
    if (hovered_line && piece.series == hover.series)
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
    const TChartSeries& line = *series_[static_cast<std::size_t>(hover.series)];
    const auto xs = line.XValues();
    const double start = std::min(xs[0], xs[1]);
    const double end = std::max(xs[0], xs[1]);
    if (start <= scale.x_max && end >= scale.x_min)
      pieces.push_back({hover.series, scale.Column(std::max(start, scale.x_min)),
                        scale.Column(std::min(end, scale.x_max)), scale.Row(line.YValues()[0])});
  }
  std::sort(pieces.begin(), pieces.end(),
            [](const Piece& a, const Piece& b) { return a.series < b.series; });

  auto draw_piece = [&](const Piece& piece) {
    const bool hovered = hovered_line && piece.series == hover.series;
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
    series.Draw(painter, scale, hover);
  }
  for (; next_piece != pieces.end(); ++next_piece)
    draw_piece(*next_piece);
}

TChartHit TChartModel::HitTest(const TChartScale& scale, int column, int row) {
  EnsureVisibleLines();
  TChartHit hit;
  // The topmost thing drawn wins: the one of the highest series index.
  visible_lines_.ForEachPiece(
      std::max(scale.XAt(column - 1), scale.x_min), std::min(scale.XAt(column + 1), scale.x_max),
      [&](const TVisibleLines::Piece& piece) {
        const int first = scale.Column(std::max(piece.start, scale.x_min));
        const int last = scale.Column(std::min(piece.end, scale.x_max));
        if (column >= first && column <= last && std::abs(scale.Row(piece.y) - row) <= kLineReach &&
            piece.series > hit.series)
          hit = {piece.series, -1};
      });
  for (auto it = others_.rbegin(); it != others_.rend() && *it > hit.series; ++it) {
    if (const auto point = series_[static_cast<std::size_t>(*it)]->HitTest(scale, column, row))
      return {*it, *point};
  }
  return hit;
}

}  // namespace ui
