#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "ui/chart/axis.h"
#include "ui/chart/series.h"
#include "ui/color.h"

class QPainter;

namespace ui {

enum class TPanningMode { pmNone, pmHorizontal };

// The walk chart: a list of series drawn in list order over a bottom axis set by the owner and a
// left axis worked out from the data, with a title, drag panning and a hover highlight.
class TChart : public QWidget {
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  // Appends the series (taking ownership) and gives it the first palette color no series holds,
  // or entry (n mod 12) + 1 when all twelve are taken, if it has no color of its own.
  // Throws std::invalid_argument for nullptr or a series that already belongs to a chart.
  void AddSeries(TChartSeries* series);
  int SeriesCount() const;
  // Throws std::out_of_range for an index outside 0 .. SeriesCount() - 1.
  TChartSeries* Series(int index) const;

  TChartAxis& BottomAxis();
  const TChartAxis& LeftAxis() const;

  void SetTitleText(const QString& text);
  // 13: the twelve-color palette; any other index: a palette of twelve plain colors. Series
  // colored from the palette take the same entry of the new one.
  void SetColorPaletteIndex(int index);
  void SetAllowPanning(TPanningMode mode);
  // Accepted for the owner's configuration and ignored: the chart offers no mouse zoom.
  void SetZoomAllow(bool allow);
  // Called after every repaint.
  std::function<void()> OnAfterDraw;

  // The plot area inside the widget, in pixels: x = Minimum lies on the centre of its first
  // column and Maximum on the centre of its last one.
  QRect PlotArea() const;
  // The height that leaves `rows` rows of plot area between the title and the x labels.
  static constexpr int HeightForPlotRows(int rows) { return kTopMargin + rows + kBottomMargin; }

  // Draws the whole chart, as the widget shows it, with the painter's origin at the widget's
  // top-left corner. Used by paintEvent and to draw into images.
  void Render(QPainter& painter);
  // The chart drawn into a new image of the widget's size.
  QImage RenderImage();

  // The series under the pointer's hover highlight, or -1, and the point index (-1 for a line).
  int HoverSeries() const;
  int HoverPoint() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // Room around the plot area: the y labels on the left, the title above, the x labels below.
  static constexpr int kLeftMargin = 60;
  static constexpr int kTopMargin = 44;
  static constexpr int kRightMargin = 20;
  static constexpr int kBottomMargin = 28;

  // The model, the title, the pan and the hover highlight, in chart.cpp.
  class Private;
  std::unique_ptr<Private> d_;
};

}  // namespace ui
