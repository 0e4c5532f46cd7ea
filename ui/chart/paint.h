#pragma once

#include <QColor>
#include <QPen>

class QPainter;

namespace ui {

struct TChartColors;
struct TChartScale;

// What the chart's parts draw alike: the highlight under the pointer, the pen of the axes, the
// grid and the lines, and how near the pointer must come to a line.

// The hover highlight: red at half opacity, 3 pixels wide.
inline const QColor kHoverColor(255, 0, 0, 128);
// A line is under the pointer when it passes within this many pixels of it.
inline constexpr double kLineReach = 2;

inline QPen LinePen(const QColor& color, int width) {
  // Square caps on pixel centres cover whole pixels, so horizontal lines come out crisp.
  return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// The grid, the two axis lines, the ticks and their labels around the scale's plot area.
void DrawAxes(QPainter& painter, const TChartScale& scale, const TChartColors& colors);

}  // namespace ui
