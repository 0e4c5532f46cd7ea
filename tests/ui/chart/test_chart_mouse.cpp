#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

#include "chart_fixture.h"

namespace {

void Mouse(QWidget& widget, QEvent::Type type, QPoint position, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(position), widget.mapToGlobal(QPointF(position)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

void Press(QWidget& widget, QPoint position, Qt::MouseButton button = Qt::LeftButton) {
  Mouse(widget, QEvent::MouseButtonPress, position, button, button);
}

void Drag(QWidget& widget, QPoint position, Qt::MouseButtons buttons = Qt::LeftButton) {
  Mouse(widget, QEvent::MouseMove, position, Qt::NoButton, buttons);
}

void Release(QWidget& widget, QPoint position, Qt::MouseButton button = Qt::LeftButton) {
  Mouse(widget, QEvent::MouseButtonRelease, position, button, Qt::NoButton);
}

void Hover(QWidget& widget, QPoint position) {
  Drag(widget, position, Qt::NoButton);
}

bool Near(double a, double b) {
  return std::abs(a - b) < 1e-9;
}

// Red at half opacity over the background or the outline.
bool IsHighlight(const QColor& color) {
  return color.red() > 100 && color.red() - color.green() > 90 && color.red() - color.blue() > 90;
}

bool IsLight(const QColor& color) {
  return color.red() > 200 && color.green() > 200 && color.blue() > 200;
}

}  // namespace

class TestChartMouse : public QObject {
  Q_OBJECT

 private slots:
  void DragByThePlotWidthAndBack();
  void EachMoveShiftsByItsColumns();
  void PanStartsOnTheTitle();
  void OtherInputChangesNothing();
  void HoverOutlinesTheMarker();
  void HoverDrawsTheLineUnderThePointer();
  void NoHoverDuringAPan();
};

void TestChartMouse::DragByThePlotWidthAndBack() {
  ChartFixture f;
  const QRect plot = f.chart.PlotArea();
  const int width = plot.width();
  const QPoint start(plot.left() + 5, plot.top() + 100);
  Press(f.chart, start);
  // Right in four steps, the pointer wandering up and down and leaving the chart.
  Drag(f.chart, start + QPoint(width / 4, -80));
  Drag(f.chart, start + QPoint(width / 4, 150));  // vertical only
  Drag(f.chart, start + QPoint(width / 2, -300));
  Drag(f.chart, start + QPoint(width * 3 / 4, 40));
  Drag(f.chart, start + QPoint(width, 0));
  QVERIFY2(Near(f.chart.BottomAxis().Minimum(), -100),
           qPrintable(QString::number(f.chart.BottomAxis().Minimum())));
  QVERIFY(Near(f.chart.BottomAxis().Maximum(), 0));
  Drag(f.chart, start + QPoint(width, 200));
  QVERIFY(Near(f.chart.BottomAxis().Minimum(), -100));
  // And back.
  Drag(f.chart, start + QPoint(width / 3, 10));
  Drag(f.chart, start);
  QVERIFY(Near(f.chart.BottomAxis().Minimum(), 0));
  QVERIFY(Near(f.chart.BottomAxis().Maximum(), 100));
  Release(f.chart, start);
  // After the release, moving does not pan.
  Hover(f.chart, start + QPoint(200, 0));
  QVERIFY(Near(f.chart.BottomAxis().Minimum(), 0));
  QVERIFY(Near(f.chart.BottomAxis().Maximum(), 100));
  QVERIFY(f.chart.LeftAxis().Automatic());
}

void TestChartMouse::EachMoveShiftsByItsColumns() {
  ChartFixture f;
  f.chart.BottomAxis().SetMinMax(10, 310);
  const QRect plot = f.chart.PlotArea();
  const QPoint start = plot.center();
  Press(f.chart, start);
  Drag(f.chart, start + QPoint(-7, 0));  // to the left: larger x come into view
  const double shift = 7.0 * 300 / plot.width();
  QVERIFY(Near(f.chart.BottomAxis().Minimum(), 10 + shift));
  QVERIFY(Near(f.chart.BottomAxis().Maximum(), 310 + shift));
  Release(f.chart, start + QPoint(-7, 0));
}

void TestChartMouse::PanStartsOnTheTitle() {
  ChartFixture f;
  f.chart.SetTitleText(QStringLiteral("Title"));
  const QRect plot = f.chart.PlotArea();
  const QPoint title(plot.center().x(), plot.top() / 2);
  Press(f.chart, title);
  Drag(f.chart, title + QPoint(plot.width() / 2, 0));
  Release(f.chart, title + QPoint(plot.width() / 2, 0));
  QVERIFY(Near(f.chart.BottomAxis().Minimum(), -100.0 * (plot.width() / 2) / plot.width()));
}

void TestChartMouse::OtherInputChangesNothing() {
  ChartFixture f;
  const QPoint start = f.chart.PlotArea().center();
  Press(f.chart, start, Qt::RightButton);
  Drag(f.chart, start + QPoint(150, 0), Qt::RightButton);
  Release(f.chart, start + QPoint(150, 0), Qt::RightButton);
  QWheelEvent wheel(QPointF(start), f.chart.mapToGlobal(QPointF(start)), QPoint(), QPoint(0, 120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&f.chart, &wheel);
  QTest::keyClick(&f.chart, Qt::Key_Left);
  QTest::keyClick(&f.chart, Qt::Key_Plus);
  QCOMPARE(f.chart.BottomAxis().Minimum(), 0.0);
  QCOMPARE(f.chart.BottomAxis().Maximum(), 100.0);

  // Without panning allowed the left button does nothing either.
  f.chart.SetAllowPanning(ui::TPanningMode::pmNone);
  Press(f.chart, start);
  Drag(f.chart, start + QPoint(150, 0));
  Release(f.chart, start + QPoint(150, 0));
  QCOMPARE(f.chart.BottomAxis().Minimum(), 0.0);
  QCOMPARE(f.chart.BottomAxis().Maximum(), 100.0);
}

void TestChartMouse::HoverOutlinesTheMarker() {
  ChartFixture f;
  f.walk->AddXY(40, 2, {}, kRed);
  f.walk->AddXY(60, -2, {}, 0);
  const int c = f.Column(40);
  const int r = f.Row(2, -2, 2);
  const QImage before = f.Image();
  QCOMPARE(before.pixelColor(c - 4, r), kBlack);

  Hover(f.chart, QPoint(c + 3, r - 3));  // less than 4 pixels away both ways
  QCOMPARE(f.chart.HoverSeries(), 0);
  QCOMPARE(f.chart.HoverPoint(), 0);
  const QImage lit = f.Image();
  for (QPoint ring :
       {QPoint(-4, 0), QPoint(4, 0), QPoint(0, -4), QPoint(0, 4), QPoint(-5, 2), QPoint(2, 5)})
    QVERIFY2(IsHighlight(lit.pixelColor(c + ring.x(), r + ring.y())),
             qPrintable(lit.pixelColor(c + ring.x(), r + ring.y()).name()));
  QCOMPARE(lit.pixelColor(c, r), Bgr(kRed));
  QCOMPARE(lit.pixelColor(f.Column(60) - 4, f.Row(-2, -2, 2)), kBlack);  // the other one

  Hover(f.chart, QPoint(c + 4, r));  // 4 pixels away: no longer under the pointer
  QCOMPARE(f.chart.HoverSeries(), -1);
  QVERIFY(f.Image() == before);

  Hover(f.chart, QPoint(c, r));
  QCOMPARE(f.chart.HoverSeries(), 0);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&f.chart, &leave);
  QVERIFY(f.Image() == before);
  QCOMPARE(f.walk->Count(), 2);
  QCOMPARE(f.chart.BottomAxis().Minimum(), 0.0);
}

void TestChartMouse::HoverDrawsTheLineUnderThePointer() {
  ChartFixture f;
  f.chart.BottomAxis().SetMinMax(0, 600);
  f.AddLine(500);
  f.AddLine(100);
  const int row = f.Row(0, 0, 0);
  const QImage before = f.Image();
  QVERIFY(IsLight(before.pixelColor(f.Column(50), row - 1)));

  // Over both lines the newer one is on top.
  Hover(f.chart, QPoint(f.Column(50), row + 1));
  QCOMPARE(f.chart.HoverSeries(), 2);
  QCOMPARE(f.chart.HoverPoint(), -1);
  QImage lit = f.Image();
  QVERIFY(IsHighlight(lit.pixelColor(f.Column(50), row - 1)));
  QVERIFY(IsHighlight(lit.pixelColor(f.Column(50), row + 1)));
  QVERIFY(IsLight(lit.pixelColor(f.Column(300), row - 1)));

  // Beyond its end only the older line is under the pointer.
  Hover(f.chart, QPoint(f.Column(300), row));
  QCOMPARE(f.chart.HoverSeries(), 1);
  lit = f.Image();
  QVERIFY(IsHighlight(lit.pixelColor(f.Column(300), row - 1)));
  QVERIFY(IsHighlight(lit.pixelColor(f.Column(500), row + 1)));
  QCOMPARE(lit.pixelColor(f.Column(50), row), Bgr(0x144CF1));  // the newer line stays on top

  Hover(f.chart, QPoint(f.Column(300), row - 20));
  QCOMPARE(f.chart.HoverSeries(), -1);
  QVERIFY(f.Image() == before);
}

void TestChartMouse::NoHoverDuringAPan() {
  ChartFixture f;
  f.walk->AddXY(40, 2, {}, kRed);
  f.walk->AddXY(60, -2, {}, 0);
  const QPoint marker(f.Column(40), f.Row(2, -2, 2));
  Hover(f.chart, marker);
  QCOMPARE(f.chart.HoverSeries(), 0);
  Press(f.chart, marker);
  QCOMPARE(f.chart.HoverSeries(), -1);
  Drag(f.chart, marker + QPoint(1, 0));
  Drag(f.chart, marker);
  QCOMPARE(f.chart.HoverSeries(), -1);
  Release(f.chart, marker);
  QCOMPARE(f.chart.HoverSeries(), 0);

  // Clearing the points takes the highlight with them.
  const QImage lit = f.Image();
  f.walk->Clear();
  f.walk->AddXY(40, 2, {}, kRed);
  f.walk->AddXY(60, -2, {}, 0);
  QCOMPARE(f.chart.HoverSeries(), -1);
  QVERIFY(f.Image() != lit);
}

QTEST_MAIN(TestChartMouse)
#include "test_chart_mouse.moc"
