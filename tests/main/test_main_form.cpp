#include <qpa/qwindowsysteminterface.h>
#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

namespace {

const QString kEmptyList = QStringLiteral("message: Не задан список номеров!");
const QString kRange = QStringLiteral("message: Числа должны быть в диапазоне [1, 36]!");

using View = QPair<double, double>;

}  // namespace

class TestMainForm : public QObject {
  Q_OBJECT

 private slots:
  void FirstStart();
  void WindowIconIsTheRenderedDrawing();
  void ComponentsInCreationOrder();
  void LayoutFollowsTheWindow();
  void FirstClientSize_data();
  void FirstClientSize();
  void MinimumSizeKeepsTheSettingsWhole();
  void EnterFollowsTheLastPoint();
  void EnterOnAnEmptyBox();
  void EnterAfterAnInvalidLastNumber();
  void EnterWithAnInvalidNumberInside();
  void EnterScrollsTheBoxToItsEnd();
  void ClickAfterEnterRebuilds();
  void SpinBoxTyping_data();
  void SpinBoxTyping();
  void SpinBoxStepping();
  void SpinBoxRefusesEnterAndLetters();
  void RebuildAfterViewDraggedLeftOfZero();
  void KeyTypedDuringRebuildIsKept();
  void StartUpShowsTheEndOfTheList_data();
  void StartUpShowsTheEndOfTheList();
  void TabCycleSkipsTheChart();
  void TabNeverInsertsATab();
  void ChartTakesTheFocusByAClickOnly();
  void SpinBoxCorrectsOnlyOnLeaving_data();
  void SpinBoxCorrectsOnlyOnLeaving();
  void MessageBoxDuringTypingIsNotLeaving();
  void ReturningToAnotherControlIsLeaving_data();
  void ReturningToAnotherControlIsLeaving();
};

void TestMainForm::FirstStart() {
  MainFormFixture f;
  TmainForm& form = f.Open();
  QCOMPARE(form.windowTitle(), QString("Tarvelon ver. 0.1"));
  QCOMPARE(form.objectName(), QString("mainForm"));
  QCOMPARE(form.Numbers_Memo->Text(), QString());
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("100"));
  QCOMPARE(form.Series1->Count(), 0);
  QCOMPARE(f.View(), View(0, 100));
  QCOMPARE(f.ZeroLines(), 1);
  QCOMPARE(f.NewestLineEnd(), 100.0);
  // The silent build of the empty list beeps once and shows nothing.
  QCOMPARE(f.recorder.Events(), QStringList{"beep"});
  QVERIFY(!form.Timer1->isActive());
  QCOMPARE(form.Timer1->interval(), 500);
}

void TestMainForm::WindowIconIsTheRenderedDrawing() {
  MainFormFixture f;
  TmainForm& form = f.Open();
  const QIcon icon = form.windowIcon();
  const QList<QSize> sizes = icon.availableSizes();
  QVERIFY2(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(64, 64)),
           "the window icon lacks the bitmaps built into the program");
  // The first square of the walk, red, as the drawing places it at 64 pixels.
  QCOMPARE(icon.pixmap(QSize(64, 64)).toImage().pixelColor(11, 29), QColor(Qt::red));
}

void TestMainForm::ComponentsInCreationOrder() {
  MainFormFixture f;
  TmainForm& form = f.Open();
  QStringList names;
  for (int i = 0; i < form.ComponentCount(); ++i)
    names << form.Component(i).Name;
  QCOMPARE(names,
           QStringList({"GroupBox1", "Label1", "Show_Btn", "Numbers_Memo", "DotsPerPage_SE",
                        "LogGroupBox", "Log", "Debug_CheckBox", "ClearLogBitBtn", "SaveLogBitBtn",
                        "UserAgentListBox", "Chart1", "Series1", "Timer1"}));
  QVERIFY(ui::IsVisibleFlag(form.Debug_CheckBox));
  QVERIFY(!ui::IsVisibleFlag(form.LogGroupBox));
  QVERIFY(!ui::IsVisibleFlag(form.UserAgentListBox));
  QVERIFY(ui::IsVisibleFlag(form.Numbers_Memo));
  QCOMPARE(form.Show_Btn->text(), QStringLiteral("Показать график"));
  QVERIFY(form.Show_Btn->font().bold());
  QCOMPARE(form.Label1->text(), QStringLiteral("Точек на странице"));
  QCOMPARE(form.GroupBox1->title(), QStringLiteral("Настройки"));
  QCOMPARE(form.Debug_CheckBox->text(), QStringLiteral("Выводить в лог отладочную информацию"));
  QVERIFY(!form.Debug_CheckBox->isChecked());
}

void TestMainForm::LayoutFollowsTheWindow() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  QCOMPARE(form.size(), QSize(1021, 536));
  QCOMPARE(form.Chart1->geometry(), QRect(0, 0, 1021, 431));
  QCOMPARE(form.GroupBox1->geometry(), QRect(0, 431, 1021, 105));
  QCOMPARE(form.Numbers_Memo->geometry(), QRect(5, 18, 814, 82));
  QCOMPARE(form.Show_Btn->geometry(), QRect(835, 16, 179, 25));
  QCOMPARE(form.DotsPerPage_SE->geometry(), QRect(941, 47, 73, 22));

  form.resize(1221, 636);
  QCOMPARE(form.Chart1->geometry(), QRect(0, 0, 1221, 531));
  QCOMPARE(form.Numbers_Memo->geometry(), QRect(5, 18, 1014, 82));
  QCOMPARE(form.Show_Btn->geometry(), QRect(1035, 16, 179, 25));
  QCOMPARE(form.Label1->pos(), QPoint(1035, 52));
  QVERIFY(form.Label1->width() >= form.Label1->sizeHint().width());
  QVERIFY(form.Label1->geometry().right() < form.DotsPerPage_SE->geometry().left());
  QCOMPARE(form.DotsPerPage_SE->geometry(), QRect(1141, 47, 73, 22));
}

void TestMainForm::FirstClientSize_data() {
  QTest::addColumn<QSize>("available");
  QTest::addColumn<QSize>("expected");
  const QSize design(1021, 536);
  QTest::newRow("room to spare") << QSize(1920, 1080) << design;
  QTest::newRow("just room with the frame") << QSize(1029, 572) << design;
  QTest::newRow("too narrow") << QSize(1024, 768) << QSize(1016, 536);
  QTest::newRow("too low") << QSize(1280, 560) << QSize(1021, 524);
  QTest::newRow("1600 x 1000 at scale 2") << QSize(800, 500) << QSize(792, 464);
  QTest::newRow("below the minimum") << QSize(200, 150) << QSize(327, 237);
  QTest::newRow("narrower than the minimum only") << QSize(300, 900) << QSize(327, 536);
}

void TestMainForm::FirstClientSize() {
  QFETCH(QSize, available);
  QFETCH(QSize, expected);
  QCOMPARE(ui::FirstClientSize(QSize(1021, 536), available, QSize(8, 36), QSize(327, 237)),
           expected);
}

// At its minimum size the window still shows every control of the settings box whole, side by
// side, and the chart keeps a plot area.
void TestMainForm::MinimumSizeKeepsTheSettingsWhole() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.resize(100, 80);
  QCOMPARE(form.size(), QSize(327, 237));
  QCOMPARE(form.minimumSize(), QSize(327, 237));
  const QRect inside = form.GroupBox1->rect();
  QCOMPARE(form.GroupBox1->geometry(), QRect(0, 237 - 105, 327, 105));
  const QList<QWidget*> controls = {form.Numbers_Memo, form.Show_Btn, form.Label1,
                                    form.DotsPerPage_SE};
  for (QWidget* control : controls) {
    QVERIFY2(inside.contains(control->geometry()), qPrintable(control->objectName()));
    for (QWidget* other : controls)
      QVERIFY2(other == control || !other->geometry().intersects(control->geometry()),
               qPrintable(control->objectName() + " / " + other->objectName()));
  }
  QVERIFY(form.Numbers_Memo->width() >= 120);
  QVERIFY(form.Label1->width() >= form.Label1->sizeHint().width());
  QCOMPARE(form.Show_Btn->size(), QSize(179, 25));
  QCOMPARE(form.DotsPerPage_SE->size(), QSize(73, 22));
  QVERIFY(form.Chart1->PlotArea().height() >= 60);
  QVERIFY(form.Chart1->PlotArea().width() >= 200);
}

void TestMainForm::EnterFollowsTheLastPoint() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  f.recorder.Clear();

  f.Type(form.Numbers_Memo, "5");
  f.Enter();
  QCOMPARE(f.Points(), QString("0:1:r"));
  QCOMPARE(f.View(), View(-100, 200));
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 "));
  QCOMPARE(form.Numbers_Memo->SelStart(), 2);
  QVERIFY(form.Numbers_Memo->hasFocus());
  // One line from the rebuild (0 .. 100), one from Enter (0 .. 200).
  QCOMPARE(f.ZeroLines(), 3);
  QCOMPARE(f.NewestLineEnd(), 200.0);

  f.Type(form.Numbers_Memo, "12");
  f.Enter();
  QCOMPARE(f.Points(), QString("0:1:r 1:2:r"));
  QCOMPARE(f.View(), View(-99, 201));
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12 "));
  QCOMPARE(form.Numbers_Memo->SelStart(), 5);
  QCOMPARE(f.ZeroLines(), 5);
  QCOMPARE(f.NewestLineEnd(), 201.0);
  QCOMPARE(f.recorder.Events(), QStringList());
  // Enter never inserts a line break.
  QVERIFY(!form.Numbers_Memo->Text().contains('\n'));
}

void TestMainForm::EnterOnAnEmptyBox() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  f.recorder.Clear();

  f.Enter();
  QCOMPARE(f.recorder.Events(), QStringList({"beep", kEmptyList}));
  QCOMPARE(form.Series1->Count(), 0);
  QCOMPARE(f.View(), View(-99, 201));
  QCOMPARE(f.ZeroLines(), 2);  // only Enter's own line
  QCOMPARE(f.NewestLineEnd(), 201.0);
  QCOMPARE(form.Numbers_Memo->Text(), QString(" "));

  f.Enter();
  QCOMPARE(f.recorder.Events(), QStringList({"beep", kEmptyList, "beep", kEmptyList}));
  QCOMPARE(form.Numbers_Memo->Text(), QString("  "));
}

void TestMainForm::EnterAfterAnInvalidLastNumber() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  f.recorder.Clear();

  f.Type(form.Numbers_Memo, "5 12 40");
  f.Enter();
  QCOMPARE(f.Points(), QString("0:1:r 1:2:r"));
  QCOMPARE(f.recorder.Events(), QStringList{kRange});
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12  "));
  QCOMPARE(f.View(), View(-99, 201));

  // A number typed straight after stays a number of its own.
  f.Type(form.Numbers_Memo, "7");
  f.Enter();
  QCOMPARE(f.Points(), QString("0:1:r 1:2:r 2:3:r"));
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12 7 "));
}

void TestMainForm::EnterWithAnInvalidNumberInside() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  f.recorder.Clear();

  f.Type(form.Numbers_Memo, "5 40 12");
  f.Enter();
  QCOMPARE(f.Points(), QString("0:1:r"));
  QCOMPARE(f.recorder.Events(), QStringList{kRange});
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12 "));
  QCOMPARE(f.View(), View(-100, 200));

  f.Enter();
  QCOMPARE(f.Points(), QString("0:1:r 1:2:r"));
}

void TestMainForm::EnterScrollsTheBoxToItsEnd() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  QString numbers;
  for (int i = 0; i < 1000; ++i)
    numbers += QString::number(i % 36 + 1) + ' ';
  form.Numbers_Memo->SetText(numbers.trimmed());
  form.Numbers_Memo->SetSelStart(0);
  form.Numbers_Memo->verticalScrollBar()->setValue(0);
  form.Numbers_Memo->setFocus();
  f.Enter();
  QCOMPARE(form.Series1->Count(), 1000);
  QCOMPARE(f.View(), View(899, 1199));
  QScrollBar* bar = form.Numbers_Memo->verticalScrollBar();
  QVERIFY(bar->maximum() > 0);
  QCOMPARE(bar->value(), bar->maximum());
  QCOMPARE(form.Numbers_Memo->SelStart(), form.Numbers_Memo->TextLength());
}

void TestMainForm::ClickAfterEnterRebuilds() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  f.Type(form.Numbers_Memo, "5");
  f.Enter();
  form.Numbers_Memo->SetSelStart(1);
  const int lines = f.ZeroLines();
  f.recorder.Clear();

  QTest::mouseClick(form.Show_Btn, Qt::LeftButton);
  QCOMPARE(f.View(), View(0, 100));
  QCOMPARE(form.Numbers_Memo->Text(), QString("5"));
  QCOMPARE(f.Points(), QString("0:1:r"));
  QCOMPARE(f.ZeroLines(), lines + 1);
  QCOMPARE(form.Numbers_Memo->SelStart(), 1);  // the caret is left alone
  QCOMPARE(f.recorder.Events(), QStringList());
}

void TestMainForm::SpinBoxTyping_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QList<double>>("views");  // the right end after each keystroke
  QTest::addColumn<QString>("after_leaving");
  QTest::addColumn<double>("view_after_leaving");
  QTest::addColumn<int>("beeps");

  QTest::newRow("7000") << "7000" << QList<double>{7, 70, 700, 7000} << "5000" << 5000.0 << 0;
  QTest::newRow("0") << "0" << QList<double>{0} << "50" << 50.0 << 0;
  // "-" is not an integer (50); "-5" is refused by the chart, which keeps 50.
  QTest::newRow("-5") << "-5" << QList<double>{50, 50} << "50" << 50.0 << 1;
  QTest::newRow("emptied") << "" << QList<double>{} << "" << 50.0 << 0;
}

void TestMainForm::SpinBoxTyping() {
  QFETCH(QString, typed);
  QFETCH(QList<double>, views);
  QFETCH(QString, after_leaving);
  QFETCH(double, view_after_leaving);
  QFETCH(int, beeps);

  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("1 2");
  form.DotsPerPage_SE->setFocus();
  form.DotsPerPage_SE->selectAll();
  f.recorder.Clear();

  QTest::keyClick(form.DotsPerPage_SE, Qt::Key_Backspace);
  QCOMPARE(f.View(), View(0, 50));
  for (int i = 0; i < typed.size(); ++i) {
    QTest::keyClick(form.DotsPerPage_SE, typed[i].toLatin1());
    QCOMPARE(f.View(), View(0, views[i]));
    QCOMPARE(f.Points(), QString("0:1:r 1:0:b"));
  }
  QCOMPARE(f.recorder.Events().count("beep"), beeps);

  form.Numbers_Memo->setFocus();  // leaving the box
  QCOMPARE(form.DotsPerPage_SE->Text(), after_leaving);
  QCOMPARE(f.View(), View(0, view_after_leaving));
}

void TestMainForm::SpinBoxStepping() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  ui::TSpinEdit* spin = form.DotsPerPage_SE;
  spin->setFocus();
  const auto press = [&](Qt::Key key) {
    QTest::keyClick(spin, key);
    return spin->Text();
  };
  QCOMPARE(press(Qt::Key_Up), QString("200"));
  QCOMPARE(f.View(), View(0, 200));
  QCOMPARE(press(Qt::Key_Down), QString("100"));
  QCOMPARE(press(Qt::Key_Down), QString("50"));
  QCOMPARE(press(Qt::Key_Up), QString("150"));
  spin->SetText("4950");
  QCOMPARE(press(Qt::Key_Up), QString("5000"));
  const int lines = f.ZeroLines();
  QCOMPARE(press(Qt::Key_Up), QString("5000"));
  QCOMPARE(f.ZeroLines(), lines);  // the same text is no change and rebuilds nothing
  spin->SetText("-");
  QCOMPARE(press(Qt::Key_Up), QString("150"));
  spin->SetText("7000");
  QCOMPARE(press(Qt::Key_Down), QString("5000"));

  // The setter limits the value and writes it as text.
  spin->SetValue(7);
  QCOMPARE(spin->Text(), QString("50"));
  spin->SetValue(9999);
  QCOMPARE(spin->Text(), QString("5000"));
}

void TestMainForm::SpinBoxRefusesEnterAndLetters() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("3");
  form.DotsPerPage_SE->setFocus();
  const int lines = f.ZeroLines();
  f.recorder.Clear();

  QTest::keyClick(form.DotsPerPage_SE, Qt::Key_Return);
  QTest::keyClick(form.DotsPerPage_SE, 'a');
  QTest::keyClick(form.DotsPerPage_SE, ' ');
  QCOMPARE(f.recorder.Events(), QStringList({"beep", "beep", "beep"}));
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("100"));
  QCOMPARE(f.ZeroLines(), lines);
  QCOMPARE(form.Series1->Count(), 0);
}

// A view dragged wholly left of 0 no longer makes the rebuild fail.
void TestMainForm::RebuildAfterViewDraggedLeftOfZero() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("5 12");
  form.Chart1->BottomAxis().SetMinMax(-150, -50);
  f.recorder.Clear();

  QTest::mouseClick(form.Show_Btn, Qt::LeftButton);
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(f.View(), View(0, 100));
  QCOMPARE(f.Points(), QString("0:1:r 1:2:r"));

  form.Chart1->BottomAxis().SetMinMax(-400, -100);
  form.Numbers_Memo->setFocus();
  f.Enter();
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(f.View(), View(-99, 201));
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12 "));
}

// Keys that arrive while a rebuild runs are handled after it, so its write-back cannot overwrite
// them.
void TestMainForm::KeyTypedDuringRebuildIsKept() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  f.Type(form.Numbers_Memo, "5 37");
  f.recorder.Clear();

  // The key is queued by the window system before the click is handled; the rebuild processes
  // pending messages twice while it runs.
  QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
      form.windowHandle(), QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7");
  form.Show_Btn->click();
  QCOMPARE(f.recorder.Events(), QStringList{kRange});
  QTRY_COMPARE(form.Numbers_Memo->Text(), QString("5 7"));
}

namespace {

QString Numbers(int count) {
  QStringList numbers;
  for (int i = 0; i < count; ++i)
    numbers << QString::number(i % 36 + 1);
  return numbers.join(' ');
}

// Starts a main window on a stored list, as a person does: settings.dat and the side file are in
// place before the window exists, and it is shown only after its creation handler has run.
TmainForm& StartOn(MainFormFixture& f, const QString& list) {
  const QString memo = f.folder.filePath("System/Numbers_Memo.txt");
  if (!WriteBytes(memo, list.toUtf8()) ||
      !WriteBytes(f.folder.filePath("settings.dat"),
                  "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=100\r\n")) {
    qFatal("cannot write the stored list");
  }
  return f.OpenShown();
}

// The keyboard focus after `key` is pressed in the window's focus widget.
QWidget* AfterKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  return QApplication::focusWidget();
}

}  // namespace

// The window opens with the end of the stored list in view, however long it is and however its
// lines are broken.
void TestMainForm::StartUpShowsTheEndOfTheList_data() {
  QTest::addColumn<QString>("list");
  QTest::newRow("600 numbers on one wrapped line") << Numbers(600);
  QString lines;
  for (int i = 0; i < 40; ++i)
    lines += Numbers(30) + "\r\n";
  // A line break inside the list is a bad number for the rebuild, which reports it and takes it
  // out; what is left still opens scrolled to its end.
  QTest::newRow("40 lines, the last one empty") << lines;
  QTest::newRow("40 lines, the last one full") << lines + Numbers(12);
}

void TestMainForm::StartUpShowsTheEndOfTheList() {
  QFETCH(QString, list);
  MainFormFixture f;
  TmainForm& form = StartOn(f, list);
  ui::TMemo* memo = form.Numbers_Memo;
  QVERIFY(!memo->Text().isEmpty());
  QScrollBar* bar = memo->verticalScrollBar();
  QTRY_VERIFY(bar->maximum() > 0);
  QCOMPARE(bar->value(), bar->maximum());
  // The last character is on the screen, and the first is not.
  QVERIFY(memo->viewport()->rect().contains(memo->CursorRect(memo->TextLength())));
  QVERIFY(!memo->viewport()->rect().intersects(memo->CursorRect(0)));

  // Enter still scrolls to the end after the view was moved back to the top.
  bar->setValue(0);
  memo->setFocus();
  memo->SetSelStart(0);
  f.Enter();
  QCOMPARE(bar->value(), bar->maximum());
}

// Tab goes round the settings box's three controls; the chart and the hidden log panel are not
// on the way.
void TestMainForm::TabCycleSkipsTheChart() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Show_Btn->setFocus();
  QCOMPARE(AfterKey(Qt::Key_Tab), form.Numbers_Memo);
  QCOMPARE(AfterKey(Qt::Key_Tab), form.DotsPerPage_SE);
  QCOMPARE(AfterKey(Qt::Key_Tab), form.Show_Btn);
  QCOMPARE(AfterKey(Qt::Key_Backtab, Qt::ShiftModifier), form.DotsPerPage_SE);
  QCOMPARE(AfterKey(Qt::Key_Backtab, Qt::ShiftModifier), form.Numbers_Memo);
  QCOMPARE(AfterKey(Qt::Key_Backtab, Qt::ShiftModifier), form.Show_Btn);
}

// Tab in the number box moves on and leaves the list alone; a tab that comes with pasted text
// stays in it.
void TestMainForm::TabNeverInsertsATab() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  ui::TMemo* memo = form.Numbers_Memo;
  memo->setFocus();
  f.Type(memo, "1");
  QCOMPARE(AfterKey(Qt::Key_Tab), form.DotsPerPage_SE);
  memo->setFocus();
  QCOMPARE(AfterKey(Qt::Key_Backtab, Qt::ShiftModifier), form.Show_Btn);
  memo->setFocus();
  f.Type(memo, "2");
  // Tab with Ctrl or Alt belongs to the window, not to the text.
  QTest::keyClick(memo, Qt::Key_Tab, Qt::ControlModifier);
  QTest::keyClick(memo, Qt::Key_Tab, Qt::AltModifier);
  QCOMPARE(memo->Text(), QString("12"));
  f.recorder.Clear();
  f.Enter();
  QCOMPARE(f.recorder.Events(), QStringList());

  QGuiApplication::clipboard()->setText("1\t2");
  memo->paste();
  QCOMPARE(memo->Text(), QString("12 1\t2"));
}

// The chart is no Tab stop, yet a click gives it the focus; keys pressed then change nothing.
void TestMainForm::ChartTakesTheFocusByAClickOnly() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("5 12 7");
  form.Show_Btn->click();
  for (int i = 0; i < 6; ++i) {
    QVERIFY(AfterKey(Qt::Key_Tab) != form.Chart1);
  }
  QTest::mouseClick(form.Chart1, Qt::LeftButton, Qt::NoModifier, QPoint(400, 200));
  QCOMPARE(QApplication::focusWidget(), form.Chart1);
  const auto view = f.View();
  const QString points = f.Points();
  for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_Return,
                      Qt::Key_Space, Qt::Key_5}) {
    QTest::keyClick(form.Chart1, key);
  }
  QCOMPARE(f.View(), view);
  QCOMPARE(f.Points(), points);
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12 7"));
}

// Only a move of the focus to another control corrects a value out of range; a popup of the box
// itself or another window taking the focus leaves the typed text.
void TestMainForm::SpinBoxCorrectsOnlyOnLeaving_data() {
  QTest::addColumn<Qt::FocusReason>("reason");
  QTest::addColumn<QString>("after");
  QTest::newRow("Tab") << Qt::TabFocusReason << "50";
  QTest::newRow("Shift+Tab") << Qt::BacktabFocusReason << "50";
  QTest::newRow("a click elsewhere") << Qt::MouseFocusReason << "50";
  QTest::newRow("a shortcut") << Qt::ShortcutFocusReason << "50";
  QTest::newRow("the program") << Qt::OtherFocusReason << "50";
  QTest::newRow("its context menu") << Qt::PopupFocusReason << "7";
  QTest::newRow("another window") << Qt::ActiveWindowFocusReason << "7";
}

void TestMainForm::SpinBoxCorrectsOnlyOnLeaving() {
  QFETCH(Qt::FocusReason, reason);
  QFETCH(QString, after);
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.DotsPerPage_SE->SetText("7");
  QFocusEvent out(QEvent::FocusOut, reason);
  QApplication::sendEvent(form.DotsPerPage_SE, &out);
  QCOMPARE(form.DotsPerPage_SE->Text(), after);
}

// With an empty list every keystroke in the spin box reports the empty list. The box that shows
// the report takes the focus for a while; that is no leaving, so the text stays and no second
// report follows.
void TestMainForm::MessageBoxDuringTypingIsNotLeaving() {
  class FocusTakingRecorder : public ui::TUserNotice {
   public:
    explicit FocusTakingRecorder(QWidget* spin) : spin_(spin) {
      ui::InstallUserNoticeForTesting(this);
    }
    ~FocusTakingRecorder() override { ui::InstallUserNoticeForTesting(nullptr); }
    void Beep() override {}
    void ShowMessage(const QString& text) override {
      messages << text;
      // What a modal box does to the focus of the window below it, and back.
      QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
      QApplication::sendEvent(spin_, &out);
      QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
      QApplication::sendEvent(spin_, &in);
    }
    void ShowError(const QString& text) override { messages << "error: " + text; }
    QStringList messages;

   private:
    QWidget* spin_;
  };

  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  ui::TSpinEdit* spin = form.DotsPerPage_SE;
  spin->setFocus();
  spin->selectAll();
  FocusTakingRecorder recorder(spin);
  QTest::keyClick(spin, '7');
  QCOMPARE(recorder.messages, QStringList{"Не задан список номеров!"});
  QCOMPARE(spin->Text(), QString("7"));
  form.Show_Btn->setFocus(Qt::TabFocusReason);
  QCOMPARE(spin->Text(), QString("50"));
}

// While another window has the focus, a click on another control of the main window gives that
// control the focus only once the main window is active again: the spin box hears nothing more of
// it, yet it has been left.
void TestMainForm::ReturningToAnotherControlIsLeaving_data() {
  QTest::addColumn<bool>("to_another_control");
  QTest::addColumn<QString>("after");
  QTest::newRow("back to the spin box") << false << "7";
  QTest::newRow("back to the number box") << true << "50";
}

void TestMainForm::ReturningToAnotherControlIsLeaving() {
  QFETCH(bool, to_another_control);
  QFETCH(QString, after);
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  ui::TSpinEdit* spin = form.DotsPerPage_SE;
  spin->setFocus();
  spin->SetText("7");

  QWidget other;
  other.setFocusPolicy(Qt::StrongFocus);
  other.show();
  other.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&other));
  QCOMPARE(spin->Text(), QString("7"));
  if (to_another_control)
    form.Numbers_Memo->setFocus(Qt::MouseFocusReason);
  QCOMPARE(spin->Text(), QString("7"));
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QCOMPARE(spin->Text(), after);
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestMainForm)

#include "test_main_form.moc"
