#pragma once

#include <QLineF>
#include <QRect>
#include <QString>

#include <vector>

namespace ui {

// Maps data values to pixel columns and rows of the plot area. A column or row is the integer
// index of a pixel; its centre lies at index + 0.5. Markers and lines are placed on pixel centres
// so that they are drawn crisp.
struct TChartScale {
  QRect plot;
  double x_min = 0;
  double x_max = 0;
  // False when there is no point: no y is shown, and the left axis has no labels.
  bool y_known = false;
  // False when there is no point or all y are equal: every y then lies on the middle row.
  bool y_spread = false;
  double y_min = 0;
  double y_max = 0;

  // x_min lies on the first column and x_max on the last; an empty range maps to the middle.
  int Column(double x) const;
  // y_max lies 4 rows below the top edge and y_min 4 rows above the bottom edge.
  int Row(double y) const;
  // The x shown at a (fractional) column; x_min for an empty range.
  double XAt(double column) const;
  // The y shown at a (fractional) row; y_min when the rows show no spread.
  double YAt(double row) const;
};

// The part of the segment from (x0, y0) to (x1, y1), x0 <= x1, inside the x range, as a line
// between pixel centres; false when nothing of it lies inside or a value is not finite.
bool ClippedSegment(const TChartScale& scale, double x0, double y0, double x1, double y1,
                    QLineF* line);

// Values at "nice" steps (1, 2 or 5 times a power of ten) inside [lo, hi], about `spacing`
// pixels apart over `pixels`; never more than a few hundred. `step` receives the step (0 for a
// single value).
std::vector<double> NiceTicks(double lo, double hi, int pixels, int spacing, double* step);
// A tick value as text, with as many decimals as the step needs.
QString TickText(double value, double step);

}  // namespace ui
