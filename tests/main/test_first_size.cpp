#include <QScreen>
#include <QTest>

#include "main_form_fixture.h"

// Run on a screen of 800 x 500 device-independent pixels: either so small, or twice that size
// at a scale factor of 2.
class TestFirstSize : public QObject {
  Q_OBJECT

 private slots:
  void ShrinksToTheScreen();
};

void TestFirstSize::ShrinksToTheScreen() {
  MainFormFixture f;
  TmainForm& form = f.Open();
  QCOMPARE(form.screen()->availableGeometry().size(), QSize(800, 500));
  // The design's 1021 x 536, less room for a title bar and borders of 8 x 36.
  QCOMPARE(form.size(), QSize(792, 464));
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(form.size(), QSize(792, 464));
  // The right-hand strip keeps its distance from the right edge; the chart takes the height.
  QCOMPARE(form.Show_Btn->geometry(), QRect(792 - 186, 16, 179, 25));
  QCOMPARE(form.DotsPerPage_SE->geometry(), QRect(792 - 80, 47, 73, 22));
  QCOMPARE(form.GroupBox1->geometry(), QRect(0, 464 - 105, 792, 105));
  QCOMPARE(form.Chart1->geometry(), QRect(0, 0, 792, 464 - 105));
}

QTEST_MAIN(TestFirstSize)
#include "test_first_size.moc"
