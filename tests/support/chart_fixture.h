#pragma once

#include <QColor>
#include <QImage>

#include <cmath>

#include "ui/accessibility.h"
#include "ui/chart/chart.h"

// A chart at the main window's size with the twelve-color palette, an empty point series first
// and the view 0 .. 100; pixel positions are worked out from the ranges, as the chart promises.
struct ChartFixture {
  ui::TChart chart;
  ui::TPointSeries* walk;

  ChartFixture() {
    ui::InstallAccessibilityFactories();
    chart.resize(1021, 431);
    chart.SetColorPaletteIndex(13);
    chart.SetAllowPanning(ui::TPanningMode::pmHorizontal);
    chart.SetZoomAllow(false);
    walk = new ui::TPointSeries;
    chart.AddSeries(walk);
    chart.BottomAxis().SetMinMax(0, 100);
  }

  ui::TLineSeries* AddLine(double end, double y = 0) {
    auto* line = new ui::TLineSeries;
    line->AddXY(0, y);
    line->AddXY(end, y);
    chart.AddSeries(line);
    return line;
  }

  // Minimum lies on the plot area's first column and Maximum on its last.
  int Column(double x) {
    const QRect plot = chart.PlotArea();
    const double lo = chart.BottomAxis().Minimum();
    const double hi = chart.BottomAxis().Maximum();
    if (lo == hi)
      return plot.left() + (plot.width() - 1) / 2;
    return plot.left() + static_cast<int>(std::lround((x - lo) * (plot.width() - 1) / (hi - lo)));
  }

  // The largest y lies 4 rows below the top edge, the smallest 4 rows above the bottom edge.
  int Row(double y, double y_min, double y_max) {
    const QRect plot = chart.PlotArea();
    if (y_min == y_max)
      return plot.top() + (plot.height() - 1) / 2;
    return plot.top() + 4 +
           static_cast<int>(std::lround((y_max - y) * (plot.height() - 9) / (y_max - y_min)));
  }

  QImage Image() { return chart.RenderImage(); }
};

inline QColor Bgr(ui::TColor color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

inline const QColor kBlack(0, 0, 0);
inline const QColor kWhite(255, 255, 255);
inline constexpr ui::TColor kRed = 0x0000FF;
