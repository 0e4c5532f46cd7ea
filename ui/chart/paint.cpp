#include "ui/chart/paint.h"

#include <QPainter>

#include "ui/chart/palette.h"
#include "ui/chart/scale.h"
#include "ui/design_font.h"

namespace ui {
namespace {

constexpr int kXLabelSpacing = 80;
constexpr int kYLabelSpacing = 40;

QPointF Centre(int column, int row) {
  return QPointF(column + 0.5, row + 0.5);
}

}  // namespace

void DrawAxes(QPainter& painter, const TChartScale& scale, const TChartColors& colors) {
  const QRect& plot = scale.plot;
  if (plot.isEmpty())
    return;
  painter.setFont(DesignFont(FallbackWidth::kNatural));
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

  if (scale.y_known) {
    double lo = scale.y_min;
    double hi = scale.y_max;
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

}  // namespace ui
