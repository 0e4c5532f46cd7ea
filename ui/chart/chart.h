#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "ui/chart/visible_lines.h"
#include "ui/color.h"

class QPainter;

namespace ui {

class TChart;
struct TChartScale;

// A series of points with ascending x. Owned by its chart once added.
class TChartSeries {
 public:
  virtual ~TChartSeries() = default;
  TChartSeries(const TChartSeries&) = delete;
  TChartSeries& operator=(const TChartSeries&) = delete;

  // Adds a point where x stays ascending (after any equal x) and returns its index; the chart
  // repaints later. O(1) amortised when x does not decrease.
  int AddXY(double x, double y, const QString& label = {}, TColor color = clTeeColor);
  // Removes every point; no axis setting changes.
  void Clear();
  int Count() const { return static_cast<int>(xs_.size()); }
  // The accessors below throw std::out_of_range for an index outside 0 .. Count() - 1.
  double XValue(int index) const;
  double YValue(int index) const;
  // The point's own colour, or the series colour for a point with the automatic colour.
  TColor ValueColor(int index) const;
  QString Label(int index) const;
  // The x of the last point; throws std::runtime_error when the series has no points.
  double LastX() const;

  TColor SeriesColor() const { return color_; }
  bool HasSeriesColor() const { return has_color_; }
  void SetSeriesColor(TColor color);

  QString Name() const { return name_; }
  void SetName(const QString& name) { name_ = name; }

  // The chart holding the series, or nullptr before AddSeries.
  TChart* ParentChart() const { return chart_; }
  bool IsLine() const { return kind_ == TKind::kLine; }
  // The smallest and largest y of the points; +inf and -inf when there are none.
  double MinY() const { return min_y_; }
  double MaxY() const { return max_y_; }
  // The half-open index range of the points whose x lies in [lo, hi].
  std::pair<int, int> IndexRange(double lo, double hi) const;

 protected:
  enum class TKind { kPoints, kLine };
  explicit TChartSeries(TKind kind);

 private:
  friend class TChart;

  TKind kind_;
  // Points kept as columns: the paint path reads x alone for its binary search.
  std::vector<double> xs_;
  std::vector<double> ys_;
  std::vector<TColor> colors_;
  // Stays empty until a point with a non-empty label arrives: labels are almost never used.
  std::vector<QString> labels_;
  double min_y_;
  double max_y_;
  TColor color_ = clTeeColor;
  bool has_color_ = false;
  // The palette entry the colour came from (0-based), or -1 for a colour set by the owner.
  int palette_entry_ = -1;
  QString name_;
  TChart* chart_ = nullptr;
  int index_ = -1;
  // Cleared at least once, so its extremes may have shrunk; the chart combines such series
  // apart from those whose extremes only grow.
  bool shrinkable_ = false;
  // Drawn through the chart's skyline of horizontal lines instead of one by one.
  bool in_skyline_ = false;
};

// Points drawn as 9 x 9 squares in each point's colour with a 1-pixel black outline.
class TPointSeries final : public TChartSeries {
 public:
  TPointSeries();
};

// Points joined by a straight 1-pixel line in the series colour, without markers.
class TLineSeries final : public TChartSeries {
 public:
  TLineSeries();
};

// The visible range of an axis.
class TChartAxis {
 public:
  TChartAxis(const TChartAxis&) = delete;
  TChartAxis& operator=(const TChartAxis&) = delete;

  // For an automatic axis: the smallest and largest value of all points (0 when there are none).
  double Minimum() const;
  double Maximum() const;
  // Throws std::runtime_error("Axis Minimum Value must be <= Maximum") when value > Maximum;
  // nothing changes then. An equal value is accepted.
  void SetMinimum(double value);
  // Throws std::runtime_error("Axis Maximum Value must be >= Minimum") when value < Minimum.
  void SetMaximum(double value);
  // Sets both ends at once, the smaller becoming Minimum; never refused.
  void SetMinMax(double a, double b);
  bool Automatic() const { return automatic_; }

 private:
  friend class TChart;
  TChartAxis(TChart* chart, bool automatic, double minimum, double maximum);
  void Change(double minimum, double maximum);

  TChart* chart_;
  bool automatic_;
  double min_;
  double max_;
};

enum class TPanningMode { pmNone, pmHorizontal };

class TChart : public QWidget {
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  // Appends the series (taking ownership) and gives it the first palette colour no series holds,
  // or entry (n mod 12) + 1 when all twelve are taken, if it has no colour of its own.
  // Throws std::invalid_argument for nullptr or a series that already belongs to a chart.
  void AddSeries(TChartSeries* series);
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  // Throws std::out_of_range for an index outside 0 .. SeriesCount() - 1.
  TChartSeries* Series(int index) const;

  TChartAxis& BottomAxis() { return bottom_axis_; }
  const TChartAxis& LeftAxis() const { return left_axis_; }

  void SetTitleText(const QString& text);
  QString TitleText() const { return title_; }
  // 13: the twelve-colour palette; any other index: a palette of twelve plain colours. Series
  // coloured from the palette take the same entry of the new one.
  void SetColorPaletteIndex(int index);
  int ColorPaletteIndex() const { return palette_index_; }
  void SetAllowPanning(TPanningMode mode) { panning_mode_ = mode; }
  TPanningMode AllowPanning() const { return panning_mode_; }
  // Kept for the owner's configuration; the chart offers no mouse zoom either way.
  void SetZoomAllow(bool allow) { zoom_allow_ = allow; }
  bool ZoomAllow() const { return zoom_allow_; }
  // Called after every repaint.
  std::function<void()> OnAfterDraw;

  // The plot area inside the widget, in pixels: x = Minimum lies on the centre of its first
  // column and Maximum on the centre of its last one.
  QRect PlotArea() const;

  // Draws the whole chart, as the widget shows it, with the painter's origin at the widget's
  // top-left corner. Used by paintEvent and to draw into images.
  void Render(QPainter& painter);
  // The chart drawn into a new image of the widget's size.
  QImage RenderImage();

  // The series under the pointer's hover highlight, or -1, and the point index (-1 for a line).
  int HoverSeries() const { return hover_series_; }
  int HoverPoint() const { return hover_point_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  friend class TChartSeries;
  friend class TChartAxis;

  // Notifications from the series and axes.
  void PointAdded(TChartSeries& series, double y);
  void SeriesCleared(TChartSeries& series);
  void SeriesColorChanged(TChartSeries& series, TColor old_color);
  void RequestRepaint();

  // Extremes of y over all points of all series; false when there is no point.
  bool DataYRange(double* lo, double* hi) const;
  void RecountPaletteHolders();
  int PaletteEntryOf(TColor color) const;
  static bool FitsSkyline(const TChartSeries& series);
  void EnsureSkyline();
  TChartScale MakeScale() const;

  void DrawAxes(QPainter& painter, const TChartScale& scale) const;
  void DrawTitle(QPainter& painter) const;
  void DrawSeries(QPainter& painter, const TChartScale& scale) const;
  void DrawPoints(QPainter& painter, const TChartScale& scale, const TChartSeries& series) const;
  void DrawLine(QPainter& painter, const TChartScale& scale, const TChartSeries& series) const;

  // Finds the topmost marker or line under the pointer; false when there is none.
  bool HitTest(QPointF position, int* series, int* point);
  void SetHover(int series, int point);

  std::vector<std::unique_ptr<TChartSeries>> series_;
  TChartAxis bottom_axis_;
  TChartAxis left_axis_;
  QString title_;
  int palette_index_ = 0;
  // How many series in the chart have each palette entry as their colour.
  std::array<int, 12> palette_holders_{};
  TPanningMode panning_mode_ = TPanningMode::pmNone;
  bool zoom_allow_ = true;

  // Extremes of the series whose extremes only grow, kept as points arrive; recomputed only
  // after such a series is first cleared. Cleared series are combined at each use.
  mutable bool steady_valid_ = true;
  mutable double steady_min_;
  mutable double steady_max_;
  std::vector<TChartSeries*> shrinkable_series_;

  // Two-point horizontal line series are drawn through the skyline; the others one by one, in
  // list order, from `others_` (ascending series indices).
  TChartSkyline skyline_;
  std::vector<int> others_;
  bool skyline_dirty_ = false;

  bool repaint_requested_ = false;
  bool panning_ = false;
  int pan_column_ = 0;
  int hover_series_ = -1;
  int hover_point_ = -1;
};

}  // namespace ui
