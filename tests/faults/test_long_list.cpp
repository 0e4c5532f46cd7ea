#include <QRandomGenerator>
#include <QTest>

#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// A number box of a million numbers, restored at start-up and rebuilt by the button: every
// number becomes a point and nothing is reported.

namespace {

constexpr int kCount = 1'000'000;

struct LongList {
  QString text;
  double final_balance = 0;
};

// Numbers 1 .. 36 from a fixed seed, one space apart; the balance is counted here from the
// colour of each number, independently of the program's own reading.
LongList MakeLongList() {
  static const QList<int> kRed = {1,  3,  5,  7,  9,  12, 14, 16, 18,
                                  19, 21, 23, 25, 27, 30, 32, 34, 36};
  QRandomGenerator random(2024);
  LongList list;
  QStringList numbers;
  numbers.reserve(kCount);
  for (int i = 0; i < kCount; ++i) {
    const int number = 1 + static_cast<int>(random.bounded(36));
    numbers << QString::number(number);
    list.final_balance += kRed.contains(number) ? 1 : -1;
  }
  list.text = numbers.join(' ');
  return list;
}

}  // namespace

class TestLongList : public QObject {
  Q_OBJECT

 private slots:
  void MillionNumbersRebuild();
};

void TestLongList::MillionNumbersRebuild() {
  const LongList list = MakeLongList();
  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"),
                     "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\n"));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), list.text.toUtf8()));

  TmainForm& form = f.OpenShown();
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(form.Series1->Count(), kCount);
  QCOMPARE(form.Numbers_Memo->Text(), list.text);

  form.Series1->Clear();
  QTest::mouseClick(form.Show_Btn, Qt::LeftButton);
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(form.Series1->Count(), kCount);
  QCOMPARE(form.Series1->XValue(kCount - 1), double(kCount - 1));
  QCOMPARE(form.Series1->YValue(kCount - 1), list.final_balance);
  QCOMPARE(form.Numbers_Memo->Text(), list.text);
  QCOMPARE(f.View(), (QPair<double, double>(0, 100)));
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestLongList)

#include "test_long_list.moc"
