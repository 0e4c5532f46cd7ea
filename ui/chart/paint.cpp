#include "ui/chart/chart.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "ui/chart/chart_private.h"
#include "ui/chart/scale.h"
#include "ui/color.h"

namespace ui {
namespace {

const QColor kTitleColor(0, 0, 255);
// The hover highlight: red at half opacity, 3 pixels wide.
const QColor kHoverColor(255, 0, 0, 128);
constexpr int kXLabelSpacing = 80;
constexpr int kYLabelSpacing = 40;

QPen LinePen(const QColor& color, int width) {
  // Square caps on pixel centres cover whole pixels, so horizontal lines come out crisp.
  return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

}  // namespace

namespace {

QPointF Centre(int column, int row) {
  return QPointF(column + 0.5, row + 0.5);
}

QFont LabelFont() {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  return font;
}

}  // namespace

void TChart::paintEvent(QPaintEvent*) {
  d_->repaint_requested_ = false;
  QPainter painter(this);
  Render(painter);
}

QImage TChart::RenderImage() {
  QImage image(size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(TChartColors::Of(palette()).background);
  QPainter painter(&image);
  Render(painter);
  return image;
}

void TChart::Render(QPainter& painter) {
  d_->EnsureVisibleLines();
  const TChartScale scale = d_->MakeScale();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.fillRect(rect(), TChartColors::Of(palette()).background);
  d_->DrawAxes(painter, scale);
  d_->DrawTitle(painter);
  if (!scale.plot.isEmpty()) {
    // Whatever lies outside the range is cut at the plot area's edges.
    painter.setClipRect(scale.plot, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    d_->DrawSeries(painter, scale);
  }
  painter.restore();
  if (OnAfterDraw)
    OnAfterDraw();
}

void TChart::Private::DrawTitle(QPainter& painter) const {
  if (title_.isEmpty())
    return;
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPixelSize(24);
  painter.setFont(font);
  painter.setPen(kTitleColor);
  const QRect plot = chart_->PlotArea();
  painter.drawText(QRect(plot.left(), 0, plot.width(), plot.top()),
                   Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, title_);
}

void TChart::Private::DrawAxes(QPainter& painter, const TChartScale& scale) const {
  const QRect& plot = scale.plot;
  if (plot.isEmpty())
    return;
  painter.setFont(LabelFont());
  const TChartColors colors = TChartColors::Of(chart_->palette());
  const QColor& grid = colors.grid;
  const QColor& axis = colors.axis;
  const int bottom = plot.top() + plot.height();  // the row just below the plot area

  double step = 0;
  for (double value : NiceTicks(scale.x_min, scale.x_max, plot.width(), kXLabelSpacing, &step)) {
    const int column = scale.Column(value);
    painter.setPen(LinePen(grid, 1));
    painter.drawLine(Centre(column, plot.top()), Centre(column, bottom - 1));
    painter.setPen(LinePen(axis, 1));
    painter.drawLine(Centre(column, bottom + 1), Centre(column, bottom + 3));
    painter.drawText(QRect(column - kXLabelSpacing / 2, bottom + 5, kXLabelSpacing, 14),
                     Qt::AlignHCenter | Qt::AlignTop, TickText(value, step));
  }

  double lo = 0;
  double hi = 0;
  if (DataYRange(&lo, &hi)) {
    // The labels cover the rows shown, including the margins that keep extreme markers whole.
    if (scale.y_spread) {
      lo = scale.YAt(bottom - 1);
      hi = scale.YAt(plot.top());
    }
    for (double value : NiceTicks(lo, hi, plot.height(), kYLabelSpacing, &step)) {
      const int row = scale.Row(value);
      painter.setPen(LinePen(grid, 1));
      painter.drawLine(Centre(plot.left(), row), Centre(plot.right(), row));
      painter.setPen(LinePen(axis, 1));
      painter.drawLine(Centre(plot.left() - 4, row), Centre(plot.left() - 2, row));
      painter.drawText(QRect(0, row - 7, plot.left() - 7, 14), Qt::AlignRight | Qt::AlignVCenter,
                       TickText(value, step));
    }
  }

  painter.setPen(LinePen(axis, 1));
  painter.drawLine(Centre(plot.left() - 1, plot.top()), Centre(plot.left() - 1, bottom));
  painter.drawLine(Centre(plot.left() - 1, bottom), Centre(plot.right() + 1, bottom));
}

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

void TChart::Private::DrawPoints(QPainter& painter, const TChartScale& scale,
                                 const TChartSeries& series) const {
  const auto [first, last] = series.IndexRange(scale.x_min, scale.x_max);
  const int hovered = series.Index() == hover_series_ ? hover_point_ : -1;
  const QColor outline(0, 0, 0);
  const auto xs = series.XValues();
  const auto ys = series.YValues();
  const auto colors = series.PointColors();
  for (int i = first; i < last; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    const int column = scale.Column(xs[at]);
    const int row = scale.Row(ys[at]);
    const TColor color = colors[at] == clTeeColor ? series.SeriesColor() : colors[at];
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

void TChart::Private::DrawLine(QPainter& painter, const TChartScale& scale,
                               const TChartSeries& series) const {
  if (series.Count() < 2)
    return;
  const bool hovered = series.Index() == hover_series_;
  const QPen pen = hovered ? LinePen(kHoverColor, 3) : LinePen(ToQColor(series.SeriesColor()), 1);
  const double half = pen.widthF() / 2;
  painter.setPen(pen);
  auto [first, last] = series.IndexRange(scale.x_min, scale.x_max);
  // The segments that reach into the range start one point before it and end one point after.
  first = std::max(first - 1, 0);
  last = std::min(last, series.Count() - 1);
  const auto xs = series.XValues();
  const auto ys = series.YValues();
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

}  // namespace ui
