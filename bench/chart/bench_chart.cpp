// Prints how long the chart takes to repaint with many points and many zero lines, and to take
// new zero lines, at the main window's size.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "ui/chart/chart.h"

namespace {

constexpr int kWidth = 1021;
constexpr int kHeight = 431;
constexpr int kFrames = 41;
constexpr ui::TColor kRed = 0x0000FF;
constexpr ui::TColor kBlack = 0x000000;

double Milliseconds(const QElapsedTimer& timer) {
  return timer.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A random walk of red and black points, as a rebuild adds them.
void FillWalk(ui::TPointSeries& series, int points, std::mt19937& random) {
  series.Clear();
  double y = 0;
  for (int x = 0; x < points; ++x) {
    const bool red = random() % 2 == 0;
    y += red ? 1 : -1;
    series.AddXY(x, y, {}, red ? kRed : kBlack);
  }
}

// A zero line from 0 to `end`, as the main window makes it.
void AddZeroLine(ui::TChart& chart, double end) {
  auto* line = new ui::TLineSeries;
  line->AddXY(0, 0);
  line->AddXY(end, 0);
  chart.AddSeries(line);
}

// Zero lines reaching anywhere from a short page to past the end of the walk, in random order.
void AddZeroLines(ui::TChart& chart, int lines, int points, std::mt19937& random) {
  std::uniform_real_distribution<double> end(50, points + 200);
  for (int i = 0; i < lines; ++i)
    AddZeroLine(chart, std::floor(end(random)));
}

// Configures the chart as the main window does and gives it its (empty) walk series.
ui::TPointSeries& SetUp(ui::TChart& chart) {
  chart.resize(kWidth, kHeight);
  chart.SetTitleText(QStringLiteral("График распределения номеров рулетки"));
  chart.SetColorPaletteIndex(13);
  chart.SetAllowPanning(ui::TPanningMode::pmHorizontal);
  chart.SetZoomAllow(false);
  auto* walk = new ui::TPointSeries;
  chart.AddSeries(walk);
  return *walk;
}

// Zero lines each shorter than the one before, all ending inside the view: every one of them
// keeps a visible piece there.
void AddShrinkingZeroLines(ui::TChart& chart, int lines, int points, std::mt19937&) {
  for (int i = 0; i < lines; ++i)
    AddZeroLine(chart, points + 200 - 300.0 * i / lines);
}

using LineMaker = void (*)(ui::TChart&, int, int, std::mt19937&);

// The median time of one full repaint into an image, with the view 300 wide at the walk's end.
double FrameTime(int points, int lines, LineMaker add_lines = AddZeroLines) {
  std::mt19937 random(12345);
  ui::TChart chart;
  FillWalk(SetUp(chart), points, random);
  add_lines(chart, lines, points, random);
  chart.BottomAxis().SetMinMax(points - 100, points + 200);

  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  std::vector<double> times;
  for (int frame = 0; frame < kFrames; ++frame) {
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&image);
    chart.Render(painter);
    painter.end();
    times.push_back(Milliseconds(timer));
  }
  return Median(times);
}

// The time to add `lines` zero lines to a chart that already shows a walk of `points`.
double AddLinesTime(int points, int lines) {
  std::mt19937 random(6789);
  ui::TChart chart;
  FillWalk(SetUp(chart), points, random);
  QElapsedTimer timer;
  timer.start();
  AddZeroLines(chart, lines, points, random);
  return Milliseconds(timer);
}

// The time of one rebuild's chart work: clearing the walk and adding it again, point by point.
double RebuildTime(int points, int lines) {
  std::mt19937 random(4242);
  ui::TChart chart;
  ui::TPointSeries& walk = SetUp(chart);
  AddZeroLines(chart, lines, points, random);
  std::vector<double> times;
  for (int round = 0; round < 9; ++round) {
    QElapsedTimer timer;
    timer.start();
    FillWalk(walk, points, random);
    times.push_back(Milliseconds(timer));
  }
  return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  std::printf("Chart %d x %d, view 300 wide at the end of the walk, median of %d frames\n", kWidth,
              kHeight, kFrames);
  const double small = FrameTime(1000, 10);
  std::printf("  frame, 1,000 points, 10 zero lines:        %7.3f ms\n", small);
  const double many_points = FrameTime(100000, 10);
  std::printf("  frame, 100,000 points, 10 zero lines:      %7.3f ms\n", many_points);
  const double many_lines = FrameTime(100000, 10000);
  std::printf(
      "  frame, 100,000 points, 10,000 zero lines:  %7.3f ms  (%.2f x the first;"
      " targets: under 8 ms, within 2 x)\n",
      many_lines, many_lines / small);
  std::printf("  frame, as above, every line's end in view:  %7.3f ms  (worst case)\n",
              FrameTime(100000, 10000, AddShrinkingZeroLines));
  std::printf("  adding 10,000 zero lines:                  %7.3f ms  (target: under 50 ms)\n",
              AddLinesTime(100000, 10000));
  std::printf("  clearing and adding 100,000 points again:  %7.3f ms  (median of 9)\n",
              RebuildTime(100000, 10000));
  // Ten years of spins.
  const double million = FrameTime(1000000, 100000);
  std::printf(
      "  frame, 1,000,000 points, 100,000 zero lines: %7.3f ms  (%.2f x the first;"
      " target: within 1.5 x)\n",
      million, million / small);
  std::printf("  adding 100,000 zero lines:                 %7.3f ms  (target: under 100 ms)\n",
              AddLinesTime(1000000, 100000));
  std::printf("  clearing and adding 1,000,000 points again: %7.3f ms  (median of 9)\n",
              RebuildTime(1000000, 100000));
  return 0;
}
