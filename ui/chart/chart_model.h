#pragma once

#include <QRect>

#include <memory>
#include <vector>

#include "ui/chart/axis.h"
#include "ui/chart/palette.h"
#include "ui/chart/series.h"
#include "ui/chart/visible_lines.h"

class QPainter;

namespace ui {

class TChart;
struct TChartScale;

// What the chart widget hears of the changes in its model.
class TChartModelListener {
 public:
  // Something shown changed: the chart is to be repainted and described again.
  virtual void ModelChanged() = 0;
  // The series lost its points, and with them any highlight on one of them.
  virtual void SeriesCleared(int index) = 0;

 protected:
  ~TChartModelListener() = default;
};

// What a chart shows, apart from the widget: the series in list order, the two axes, the palette
// with the count of series holding each of its entries, and the caches that keep a repaint cheap
// however many series pile up (the running y range, the visible pieces of the zero lines).
// The series and axes report their changes here and read the y range from here; the widget adds
// series, draws them and finds what lies under the pointer through here.
class TChartModel {
 public:
  TChartModel(TChart* chart, TChartModelListener* listener);
  TChartModel(const TChartModel&) = delete;
  TChartModel& operator=(const TChartModel&) = delete;

  // Appends the series, a new one not yet bound to a chart, taking ownership; a series without a
  // color of its own takes a palette entry (see TPaletteHolders).
  void AddSeries(TChartSeries* series);
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  // Throws std::out_of_range for an index outside 0 .. SeriesCount() - 1.
  TChartSeries* Series(int index) const;
  TChartAxis& BottomAxis() { return bottom_axis_; }
  const TChartAxis& BottomAxis() const { return bottom_axis_; }
  const TChartAxis& LeftAxis() const { return left_axis_; }
  // Series colored from the palette take the same entry of the new one.
  void SetPaletteIndex(int index);

  // How the data maps onto the pixels of `plot`.
  TChartScale Scale(const QRect& plot) const;
  // Draws every series in list order, the two-point horizontal lines through their visible
  // pieces, and what `hover` names in the highlight.
  void DrawSeries(QPainter& painter, const TChartScale& scale, const TChartHit& hover);
  // The topmost thing drawn under the pixel (column, row) inside the plot area.
  TChartHit HitTest(const TChartScale& scale, int column, int row);

  // What the series and axes report.
  void PointAdded(const TChartSeries& series, double y);
  // `first_clear`: the series was never cleared before, so its extremes only grew until now.
  void SeriesCleared(TChartSeries& series, bool first_clear);
  void SeriesColorChanged(TColor old_color, TColor new_color);
  void AxisChanged();
  // Extremes of y over all points of all series; false when there is no point.
  bool YRange(double* lo, double* hi) const;

 private:
  void RecountPaletteHolders();
  int PaletteEntryOf(TColor color) const;
  static bool FitsVisibleLines(const TChartSeries& series);
  void EnsureVisibleLines();

  TChart* chart_;
  TChartModelListener* listener_;
  std::vector<std::unique_ptr<TChartSeries>> series_;
  TChartAxis bottom_axis_;
  TChartAxis left_axis_;
  int palette_index_ = 0;
  TPaletteHolders palette_holders_;

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
};

}  // namespace ui
