#include <QTest>

#include <stdexcept>

#include "ui/chart/chart.h"

Q_DECLARE_METATYPE(ui::TColor)

namespace {

ui::TLineSeries* AddLine(ui::TChart& chart, double end) {
  auto* line = new ui::TLineSeries;
  line->AddXY(0, 0);
  line->AddXY(end, 0);
  chart.AddSeries(line);
  return line;
}

}  // namespace

class TestChartModel : public QObject {
  Q_OBJECT

 private slots:
  void AddXYKeepsXAscending();
  void AutomaticColorIsTheSeriesColor();
  void LastXFailsWhenEmpty();
  void ZeroLineColors_data();
  void ZeroLineColors();
  void FirstFreePaletteEntryIsTaken();
  void PaletteChosenAfterTheFirstSeries();
  void AxisSetters_data();
  void AxisSetters();
  void SetMinMaxOrdersItsValues();
  void LeftAxisFollowsAllPoints();
  void ClearShrinksTheYRange();
  void SeriesAreOwnedOnce();
};

void TestChartModel::AddXYKeepsXAscending() {
  ui::TPointSeries series;
  QCOMPARE(series.AddXY(0, 1, {}, 0x0000FF), 0);
  QCOMPARE(series.AddXY(2, -1, {}, 0), 1);
  QCOMPARE(series.AddXY(1, 5, QStringLiteral("middle"), 0x00FF00), 1);
  QCOMPARE(series.AddXY(2, 7), 3);  // after the equal x
  QCOMPARE(series.Count(), 4);
  QCOMPARE(series.XValue(1), 1.0);
  QCOMPARE(series.YValue(1), 5.0);
  QCOMPARE(series.ValueColor(1), ui::TColor(0x00FF00));
  QCOMPARE(series.Label(1), QStringLiteral("middle"));
  QCOMPARE(series.Label(0), QString());
  QCOMPARE(series.YValue(2), -1.0);
  QCOMPARE(series.YValue(3), 7.0);
  QCOMPARE(series.LastX(), 2.0);
  QCOMPARE(series.MinY(), -1.0);
  QCOMPARE(series.MaxY(), 7.0);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, series.XValue(4));
}

void TestChartModel::AutomaticColorIsTheSeriesColor() {
  ui::TChart chart;
  chart.SetColorPaletteIndex(13);
  auto* walk = new ui::TPointSeries;
  walk->AddXY(0, 1, {}, 0x0000FF);
  walk->AddXY(1, 0);
  chart.AddSeries(walk);
  QCOMPARE(walk->ValueColor(0), ui::TColor(0x0000FF));
  QCOMPARE(walk->ValueColor(1), ui::TColor(0xA36644));
  walk->SetSeriesColor(0x123456);
  QCOMPARE(walk->ValueColor(1), ui::TColor(0x123456));
}

void TestChartModel::LastXFailsWhenEmpty() {
  ui::TChart chart;
  auto* walk = new ui::TPointSeries;
  chart.AddSeries(walk);
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, walk->LastX());
  walk->AddXY(0, 1);
  walk->AddXY(1, 0);
  QCOMPARE(walk->LastX(), 1.0);
  chart.BottomAxis().SetMinMax(5, 20);
  walk->Clear();
  QCOMPARE(walk->Count(), 0);
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, walk->LastX());
  QCOMPARE(chart.BottomAxis().Minimum(), 5.0);
  QCOMPARE(chart.BottomAxis().Maximum(), 20.0);
}

void TestChartModel::ZeroLineColors_data() {
  QTest::addColumn<int>("line");
  QTest::addColumn<ui::TColor>("color");
  QTest::newRow("first") << 1 << ui::TColor(0x359CF3);
  QTest::newRow("second") << 2 << ui::TColor(0x144CF1);
  QTest::newRow("eleventh, the last free entry") << 11 << ui::TColor(0xB4B4B4);
  QTest::newRow("twelfth, all taken") << 12 << ui::TColor(0xA36644);
  QTest::newRow("thirteenth") << 13 << ui::TColor(0x359CF3);
  QTest::newRow("twenty-fourth") << 24 << ui::TColor(0xA36644);
  QTest::newRow("twenty-fifth") << 25 << ui::TColor(0x359CF3);
}

// The walk's series comes first; the k-th zero line then takes entry (k mod 12) + 1.
void TestChartModel::ZeroLineColors() {
  QFETCH(int, line);
  QFETCH(ui::TColor, color);
  ui::TChart chart;
  chart.SetColorPaletteIndex(13);
  auto* walk = new ui::TPointSeries;
  chart.AddSeries(walk);
  QCOMPARE(walk->SeriesColor(), ui::TColor(0xA36644));
  ui::TLineSeries* last = nullptr;
  for (int k = 1; k <= line; ++k)
    last = AddLine(chart, 100);
  QCOMPARE(last->SeriesColor(), color);
  QCOMPARE(last->ValueColor(1), color);
  QCOMPARE(chart.SeriesCount(), line + 1);
  QCOMPARE(chart.Series(line), last);
}

void TestChartModel::FirstFreePaletteEntryIsTaken() {
  ui::TChart chart;
  chart.SetColorPaletteIndex(13);
  auto* own = new ui::TLineSeries;
  own->SetSeriesColor(0x359CF3);  // entry 2, held by a color of its own
  chart.AddSeries(own);
  QCOMPARE(own->SeriesColor(), ui::TColor(0x359CF3));
  QCOMPARE(AddLine(chart, 10)->SeriesColor(), ui::TColor(0xA36644));
  QCOMPARE(AddLine(chart, 10)->SeriesColor(), ui::TColor(0x144CF1));
  // Giving up entry 2 frees it for the next series.
  own->SetSeriesColor(0x010101);
  QCOMPARE(AddLine(chart, 10)->SeriesColor(), ui::TColor(0x359CF3));
}

void TestChartModel::PaletteChosenAfterTheFirstSeries() {
  ui::TChart chart;
  auto* walk = new ui::TPointSeries;
  chart.AddSeries(walk);
  chart.SetColorPaletteIndex(13);
  QCOMPARE(walk->SeriesColor(), ui::TColor(0xA36644));
  QCOMPARE(AddLine(chart, 10)->SeriesColor(), ui::TColor(0x359CF3));
}

void TestChartModel::AxisSetters_data() {
  QTest::addColumn<double>("minimum");
  QTest::addColumn<double>("maximum");
  QTest::addColumn<bool>("set_minimum");  // false: set Maximum
  QTest::addColumn<double>("value");
  QTest::addColumn<QString>("error");  // empty: accepted
  QTest::addColumn<double>("new_minimum");
  QTest::addColumn<double>("new_maximum");

  const QString min_error = QStringLiteral("Axis Minimum Value must be <= Maximum");
  const QString max_error = QStringLiteral("Axis Maximum Value must be >= Minimum");
  QTest::newRow("minimum 0 above maximum -50")
      << -150.0 << -50.0 << true << 0.0 << min_error << -150.0 << -50.0;
  QTest::newRow("minimum just above maximum")
      << 0.0 << 10.0 << true << 10.000001 << min_error << 0.0 << 10.0;
  QTest::newRow("minimum equal to maximum") << 0.0 << 10.0 << true << 10.0 << "" << 10.0 << 10.0;
  QTest::newRow("minimum inside") << 0.0 << 10.0 << true << -3.0 << "" << -3.0 << 10.0;
  QTest::newRow("maximum -5 below minimum 0")
      << 0.0 << 100.0 << false << -5.0 << max_error << 0.0 << 100.0;
  QTest::newRow("maximum equal to minimum") << 0.0 << 100.0 << false << 0.0 << "" << 0.0 << 0.0;
  QTest::newRow("maximum widened") << 0.0 << 100.0 << false << 500.0 << "" << 0.0 << 500.0;
}

void TestChartModel::AxisSetters() {
  QFETCH(double, minimum);
  QFETCH(double, maximum);
  QFETCH(bool, set_minimum);
  QFETCH(double, value);
  QFETCH(QString, error);
  QFETCH(double, new_minimum);
  QFETCH(double, new_maximum);

  ui::TChart chart;
  ui::TChartAxis& axis = chart.BottomAxis();
  axis.SetMinMax(minimum, maximum);
  QString thrown;
  try {
    if (set_minimum)
      axis.SetMinimum(value);
    else
      axis.SetMaximum(value);
  } catch (const std::runtime_error& e) {
    thrown = QString::fromUtf8(e.what());
  }
  QCOMPARE(thrown, error);
  QCOMPARE(axis.Minimum(), new_minimum);
  QCOMPARE(axis.Maximum(), new_maximum);
  QVERIFY(!axis.Automatic());
}

void TestChartModel::SetMinMaxOrdersItsValues() {
  ui::TChart chart;
  chart.BottomAxis().SetMinMax(300, 0);
  QCOMPARE(chart.BottomAxis().Minimum(), 0.0);
  QCOMPARE(chart.BottomAxis().Maximum(), 300.0);
  chart.BottomAxis().SetMinMax(-7, -7);
  QCOMPARE(chart.BottomAxis().Minimum(), -7.0);
  QCOMPARE(chart.BottomAxis().Maximum(), -7.0);
  QVERIFY(!chart.BottomAxis().Automatic());
  QVERIFY(chart.LeftAxis().Automatic());
}

void TestChartModel::LeftAxisFollowsAllPoints() {
  ui::TChart chart;
  auto* walk = new ui::TPointSeries;
  chart.AddSeries(walk);
  QCOMPARE(chart.LeftAxis().Minimum(), 0.0);
  QCOMPARE(chart.LeftAxis().Maximum(), 0.0);
  walk->AddXY(0, 1);
  walk->AddXY(1, 2);
  QCOMPARE(chart.LeftAxis().Minimum(), 1.0);
  QCOMPARE(chart.LeftAxis().Maximum(), 2.0);
  AddLine(chart, 100);  // brings 0 into the range
  QCOMPARE(chart.LeftAxis().Minimum(), 0.0);
  auto* high = new ui::TLineSeries;
  high->AddXY(0, 8);
  chart.AddSeries(high);
  QCOMPARE(chart.LeftAxis().Maximum(), 8.0);
  high->AddXY(5, 9);  // a point added after the series joined the chart
  QCOMPARE(chart.LeftAxis().Maximum(), 9.0);
  // A pan does not change the y range.
  chart.BottomAxis().SetMinMax(1000, 1100);
  QCOMPARE(chart.LeftAxis().Minimum(), 0.0);
  QCOMPARE(chart.LeftAxis().Maximum(), 9.0);
}

// The walk is cleared and built again at every rebuild: its old extremes must go with it.
void TestChartModel::ClearShrinksTheYRange() {
  ui::TChart chart;
  auto* walk = new ui::TPointSeries;
  chart.AddSeries(walk);
  AddLine(chart, 100);
  for (int x = 0; x < 10; ++x)
    walk->AddXY(x, -x);
  QCOMPARE(chart.LeftAxis().Minimum(), -9.0);
  walk->Clear();
  QCOMPARE(chart.LeftAxis().Minimum(), 0.0);
  QCOMPARE(chart.LeftAxis().Maximum(), 0.0);
  walk->AddXY(0, 3);
  QCOMPARE(chart.LeftAxis().Maximum(), 3.0);
  AddLine(chart, 50);
  walk->Clear();
  walk->AddXY(0, -2);
  QCOMPARE(chart.LeftAxis().Minimum(), -2.0);
  QCOMPARE(chart.LeftAxis().Maximum(), 0.0);

  // A line series cleared after joining the chart gives up its extremes as well.
  auto* high = new ui::TLineSeries;
  high->AddXY(0, 40);
  high->AddXY(1, 40);
  chart.AddSeries(high);
  QCOMPARE(chart.LeftAxis().Maximum(), 40.0);
  high->Clear();
  QCOMPARE(chart.LeftAxis().Maximum(), 0.0);
}

void TestChartModel::SeriesAreOwnedOnce() {
  ui::TChart chart;
  auto* walk = new ui::TPointSeries;
  chart.AddSeries(walk);
  QCOMPARE(walk->ParentChart(), &chart);
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, chart.AddSeries(walk));
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, chart.AddSeries(nullptr));
  QCOMPARE(chart.SeriesCount(), 1);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, chart.Series(1));
}

QTEST_MAIN(TestChartModel)
#include "test_chart_model.moc"
