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
