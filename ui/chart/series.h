#pragma once

#include <QString>

#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "ui/color.h"

class QPainter;

namespace ui {

class TChart;
class TChartModel;
struct TChartScale;

// What lies under the pointer: a series and one of its points, or the series as a whole (point
// -1) for a line; series -1 for nothing.
struct TChartHit {
  int series = -1;
  int point = -1;

  bool operator==(const TChartHit&) const = default;
};

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
  // The point's own color, or the series color for a point with the automatic color.
  TColor ValueColor(int index) const;
  QString Label(int index) const;
  // The x of the last point; throws std::runtime_error when the series has no points.
  double LastX() const;

  // The points as columns, unchecked, for drawing and hit testing: the x values ascending, the y
  // values, and each point's own color (clTeeColor for the series color).
  std::span<const double> XValues() const { return xs_; }
  std::span<const double> YValues() const { return ys_; }
  std::span<const TColor> PointColors() const { return colors_; }

  TColor SeriesColor() const { return color_; }
  bool HasSeriesColor() const { return has_color_; }
  void SetSeriesColor(TColor color);
  // The palette entry the color came from (0-based), or -1 for a color set by the owner.
  int PaletteEntry() const { return palette_entry_; }

  QString Name() const { return name_; }
  void SetName(const QString& name) { name_ = name; }

  // The chart holding the series, or nullptr before AddSeries.
  TChart* ParentChart() const { return chart_; }
  // The series' place in its chart's list, or -1 before AddSeries.
  int Index() const { return index_; }
  // Joins its points with a line instead of marking each one.
  virtual bool IsLine() const = 0;
  // The smallest and largest y of the points; +inf and -inf when there are none.
  double MinY() const { return min_y_; }
  double MaxY() const { return max_y_; }
  // The half-open index range of the points whose x lies in [lo, hi].
  std::pair<int, int> IndexRange(double lo, double hi) const;
  // Cleared at least once, so its extremes may have shrunk; the chart combines such series apart
  // from those whose extremes only grow.
  bool WasCleared() const { return cleared_; }

 protected:
  TChartSeries();

 private:
  // Only the model of the chart that takes the series binds it, gives it palette colors and has
  // it draw itself; it reads the points through the accessors above.
  friend class TChartModel;
  void BindTo(TChartModel* model, TChart* chart, int index);
  void TakePaletteColor(TColor color, int entry);
  // Draws the points whose x lies in the scale's range, `hover` telling what is highlighted.
  virtual void Draw(QPainter& painter, const TChartScale& scale, const TChartHit& hover) const = 0;
  // What of the series is drawn under the pixel (column, row) inside the plot area, the topmost
  // first: a point's index, or -1 for the series as a whole; nothing when the pixel misses it.
  virtual std::optional<int> HitTest(const TChartScale& scale, int column, int row) const = 0;

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
  int palette_entry_ = -1;
  QString name_;
  TChartModel* model_ = nullptr;
  TChart* chart_ = nullptr;
  int index_ = -1;
  bool cleared_ = false;
};

// Points drawn as 9 x 9 squares in each point's color with a 1-pixel black outline.
class TPointSeries final : public TChartSeries {
 public:
  bool IsLine() const override { return false; }

 private:
  void Draw(QPainter& painter, const TChartScale& scale, const TChartHit& hover) const override;
  std::optional<int> HitTest(const TChartScale& scale, int column, int row) const override;
};

// Points joined by a straight 1-pixel line in the series color, without markers.
class TLineSeries final : public TChartSeries {
 public:
  bool IsLine() const override { return true; }

 private:
  void Draw(QPainter& painter, const TChartScale& scale, const TChartHit& hover) const override;
  std::optional<int> HitTest(const TChartScale& scale, int column, int row) const override;
};

}  // namespace ui
