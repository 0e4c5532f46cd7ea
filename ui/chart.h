#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ui {

// Colours are the program's 24-bit blue-green-red integers ($0000FF is red); they are turned into
// QColor only when drawing.
using TColor = std::uint32_t;
// The automatic colour: a point drawn in its series' colour.
inline constexpr TColor clTeeColor = 0x20000000;

class TChart;

// A series of points with ascending x. Owned by its chart once added.
class TChartSeries {
 public:
  virtual ~TChartSeries() = default;

  // Adds a point where x stays ascending and returns its index; the chart repaints later.
  int AddXY(double x, double y, const QString& label = {}, TColor color = clTeeColor);
  // Removes every point; no axis setting changes.
  void Clear();
  int Count() const;
  double XValue(int index) const;
  double YValue(int index) const;
  // The point's own colour, or the series colour for a point with the automatic colour.
  TColor ValueColor(int index) const;
  // The x of the last point; throws std::runtime_error when the series has no points.
  double LastX() const;

  TColor SeriesColor() const;
  bool HasSeriesColor() const;
  void SetSeriesColor(TColor color);

  QString Name() const;
  void SetName(const QString& name);

 protected:
  TChartSeries() = default;
  // Implementation owned by chart.cpp.
 private:
  friend class TChart;
  struct Data;
  std::shared_ptr<Data> data_;
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
  double Minimum() const;
  double Maximum() const;
  // Throws std::runtime_error("Axis Minimum Value must be <= Maximum") when value > Maximum;
  // nothing changes then. An equal value is accepted.
  void SetMinimum(double value);
  // Throws std::runtime_error("Axis Maximum Value must be >= Minimum") when value < Minimum.
  void SetMaximum(double value);
  // Sets both ends at once, the smaller becoming Minimum; never refused.
  void SetMinMax(double a, double b);
  bool Automatic() const;
};

enum class TPanningMode { pmNone, pmHorizontal };

class TChart : public QWidget {
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  // Appends the series (taking ownership) and gives it the first palette colour no series holds,
  // or entry (n mod 12) + 1 when all twelve are taken, if it has no colour of its own.
  void AddSeries(TChartSeries* series);
  int SeriesCount() const;
  TChartSeries* Series(int index) const;

  TChartAxis& BottomAxis();
  const TChartAxis& LeftAxis() const;

  void SetTitleText(const QString& text);
  void SetColorPaletteIndex(int index);  // 13: the twelve-colour palette
  void SetAllowPanning(TPanningMode mode);
  void SetZoomAllow(bool allow);
  // Called after every repaint.
  std::function<void()> OnAfterDraw;

  // The plot area inside the widget, in pixels.
  QRect PlotArea() const;
};

}  // namespace ui
