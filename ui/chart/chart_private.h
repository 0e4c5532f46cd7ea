#pragma once

#include <QPointF>
#include <QString>

#include <memory>
#include <vector>

#include "ui/chart/axis.h"
#include "ui/chart/chart.h"
#include "ui/chart/palette.h"
#include "ui/chart/scale.h"
#include "ui/chart/series.h"
#include "ui/chart/visible_lines.h"

class QPainter;

namespace ui {

// What the chart keeps behind its interface: the series list, the axes, the caches that keep a
// repaint cheap however many series pile up, and the state of a pan and of the hover highlight.
// The model lives in chart.cpp, the drawing in paint.cpp, the mouse in mouse.cpp.
class TChart::Private {
 public:
  explicit Private(TChart* chart);

  // Notifications from the series and axes.
  void PointAdded(const TChartSeries& series, double y);
  // `first_clear`: the series was never cleared before, so its extremes only grew until now.
  void SeriesCleared(TChartSeries& series, bool first_clear);
  void SeriesColorChanged(TColor old_color, TColor new_color);
  void RequestRepaint();
  // Brings the accessible description up to date once the current batch of changes is over.
  void RequestDescription();
  // What a sighted user reads off the chart, in words.
  QString Description() const;

  // Extremes of y over all points of all series; false when there is no point.
  bool DataYRange(double* lo, double* hi) const;
  void RecountPaletteHolders();
  int PaletteEntryOf(TColor color) const;
  static bool FitsVisibleLines(const TChartSeries& series);
  void EnsureVisibleLines();
  TChartScale MakeScale() const;

  void DrawAxes(QPainter& painter, const TChartScale& scale) const;
  void DrawTitle(QPainter& painter) const;
  void DrawSeries(QPainter& painter, const TChartScale& scale) const;
  void DrawPoints(QPainter& painter, const TChartScale& scale, const TChartSeries& series) const;
  void DrawLine(QPainter& painter, const TChartScale& scale, const TChartSeries& series) const;

  // Finds the topmost marker or line under the pointer; false when there is none.
  bool HitTest(QPointF position, int* series, int* point);
  void SetHover(int series, int point);

  TChart* chart_;
  std::vector<std::unique_ptr<TChartSeries>> series_;
  TChartAxis bottom_axis_;
  TChartAxis left_axis_;
  QString title_;
  int palette_index_ = 0;
  TPaletteHolders palette_holders_;
  TPanningMode panning_mode_ = TPanningMode::pmNone;
  bool zoom_allow_ = true;

  // Extremes of the series whose extremes only grow, kept as points arrive; recomputed only
  // after such a series is first cleared. Cleared series are combined at each use.
  mutable bool steady_valid_ = true;
  mutable double steady_min_;
  mutable double steady_max_;
  std::vector<TChartSeries*> shrinkable_series_;

  // Two-point horizontal line series are drawn through the visible lines, marked per series
  // index in `in_visible_lines_`; the others one by one, in list order, from `others_`
  // (ascending series indices).
  TVisibleLines visible_lines_;
  std::vector<bool> in_visible_lines_;
  std::vector<int> others_;
  bool visible_lines_dirty_ = false;

  bool repaint_requested_ = false;
  bool description_requested_ = false;
  bool panning_ = false;
  int pan_column_ = 0;
  int hover_series_ = -1;
  int hover_point_ = -1;
};

}  // namespace ui
