#include <sys/stat.h>

#include <qpa/qwindowsysteminterface.h>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"
#include "uAccessory/uAccessory.h"

namespace {

const QString kEmptyList = QStringLiteral("message: Не задан список номеров!");

QByteArray MainSection(const QByteArray& value, const QByteArray& checked = "0") {
  return "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=" + value +
         "\r\nDebug_CheckBox.Checked=" + checked + "\r\n";
}

}  // namespace

class TestStoreMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void CloseSavesAndStartRestores();
  void NoSettingsFileRestoresNothing();
  void EmptySettingsFileKeepsEverything();
  void RestoredPointsPerPage_data();
  void RestoredPointsPerPage();
  void NonNumberInSpinBoxSavedAsMinimum();
  void SavedEmptyListWithOtherValue();
  void SavedBadEntryReportedAtStart();
  void UnwritableFolderRefusesClose_data();
  void UnwritableFolderRefusesClose();
  void UnreadableSideFileReportedAtStart();
  void FileValueOutsideTheFolderIsIgnored();
  void CloseDuringRebuildWaitsForIt();
  void UserStateOrShippedDefaults_data();
  void UserStateOrShippedDefaults();
  void UndoNeverReachesBehindTheProgramsWrites_data();
  void UndoNeverReachesBehindTheProgramsWrites();
};

void TestStoreMainWindow::CloseSavesAndStartRestores() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("5 12 36 ");
  form.Debug_CheckBox->SetChecked(true);
  QVERIFY(form.close());

  const QString dir = f.folder.path() + '/';
  QCOMPARE(ReadBytes(dir + "settings.dat"), MainSection("100", "1"));
  QCOMPARE(ReadBytes(dir + "System/Numbers_Memo.txt"), QByteArray("5 12 36 "));
  // The list box is hidden: neither saved nor given a folder.
  QVERIFY(!QFileInfo::exists(dir + "System/Settings"));

  f.recorder.Clear();
  TmainForm& again = f.OpenShown();
  // The start-up build writes the list back without its trailing space.
  QCOMPARE(again.Numbers_Memo->Text(), QString("5 12 36"));
  QCOMPARE(again.DotsPerPage_SE->Text(), QString("100"));
  QVERIFY(again.Debug_CheckBox->Checked());
  QCOMPARE(f.Points(), QString("0:1:r 1:2:r 2:3:r"));
  QCOMPARE(f.View(), (QPair<double, double>(0, 100)));
  QCOMPARE(f.recorder.Events(), QStringList());
}

void TestStoreMainWindow::NoSettingsFileRestoresNothing() {
  MainFormFixture f;
  f.Open();
  // The one beep is the silent build of the empty list; the store itself does not beep.
  QCOMPARE(f.recorder.Events(), QStringList{"beep"});
  // Asked directly, the store beeps for a missing file.
  f.recorder.Clear();
  LoadFormsState(f.folder.filePath("missing.dat"));
  QCOMPARE(f.recorder.Events(), QStringList{"beep"});
}

void TestStoreMainWindow::EmptySettingsFileKeepsEverything() {
  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), ""));
  TmainForm& form = f.Open();
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("100"));
  QCOMPARE(form.Numbers_Memo->Text(), QString());
  QCOMPARE(f.recorder.Events(), QStringList{"beep"});
}

void TestStoreMainWindow::RestoredPointsPerPage_data() {
  QTest::addColumn<QByteArray>("stored");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<int>("builds_during_restore");

  QTest::newRow("7 limited to 50") << QByteArray("7") << "50" << 1;
  QTest::newRow("9999 limited to 5000") << QByteArray("9999") << "5000" << 1;
  QTest::newRow("hexadecimal") << QByteArray("$C8") << "200" << 1;
  QTest::newRow("abc ignored") << QByteArray("abc") << "100" << 0;
  QTest::newRow("same as the design") << QByteArray("100") << "100" << 0;
}

// A restored value that changes the box rebuilds there and then; an equal one does not.
void TestStoreMainWindow::RestoredPointsPerPage() {
  QFETCH(QByteArray, stored);
  QFETCH(QString, shown);
  QFETCH(int, builds_during_restore);

  MainFormFixture f;
  QVERIFY(WriteBytes(
      f.folder.filePath("settings.dat"),
      "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=" + stored + "\r\n"));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "1 2"));
  TmainForm& form = f.Open();
  QCOMPARE(form.DotsPerPage_SE->Text(), shown);
  // Start-up adds one line itself and one per build with numbers.
  QCOMPARE(f.ZeroLines(), 2 + builds_during_restore);
  QCOMPARE(f.Points(), QString("0:1:r 1:0:b"));
  QCOMPARE(f.View(), (QPair<double, double>(0, shown.toDouble())));
}

void TestStoreMainWindow::NonNumberInSpinBoxSavedAsMinimum() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.DotsPerPage_SE->SetText("-");
  QVERIFY(form.close());
  QCOMPARE(ReadBytes(f.folder.filePath("settings.dat")), MainSection("50"));
}

void TestStoreMainWindow::SavedEmptyListWithOtherValue() {
  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), MainSection("300")));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), ""));
  f.Open();
  QCOMPARE(f.recorder.Events(), QStringList({"beep", kEmptyList, "beep"}));
}

void TestStoreMainWindow::SavedBadEntryReportedAtStart() {
  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), MainSection("100")));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "5 x 7"));
  TmainForm& form = f.Open();
  QCOMPARE(f.recorder.Events(), QStringList{QStringLiteral("message: Ошибка обработки номера: x")});
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 7"));
}

void TestStoreMainWindow::UnwritableFolderRefusesClose_data() {
  QTest::addColumn<QString>("obstacle");  // a folder or file put where the save must write
  QTest::addColumn<bool>("is_folder");
  QTest::addColumn<QString>("error_start");
  QTest::newRow("file where System must be") << "System" << false << "error: Cannot create file";
  QTest::newRow("folder where the temporary file must be")
      << "settings.dat.tmp" << true << "error: Unable to write to";
}

// A save that cannot write is reported, the window stays open, settings.dat keeps what it held,
// and once the obstacle is gone the next close saves everything.
void TestStoreMainWindow::UnwritableFolderRefusesClose() {
  QFETCH(QString, obstacle);
  QFETCH(bool, is_folder);
  QFETCH(QString, error_start);

  MainFormFixture f;
  const QByteArray old_settings = "; kept\r\n" + MainSection("300");
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), old_settings));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "1 2"));
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("1 2 3");
  QVERIFY(QDir(f.folder.filePath("System")).removeRecursively());
  const QString obstacle_path = f.folder.filePath(obstacle);
  QVERIFY(is_folder ? QDir().mkpath(obstacle_path) : WriteBytes(obstacle_path, "x"));
  f.recorder.Clear();

  QVERIFY(!form.close());
  QVERIFY(form.isVisible());
  QCOMPARE(f.recorder.Events().size(), 1);
  QVERIFY2(f.recorder.Events()[0].startsWith(error_start), qPrintable(f.recorder.Events()[0]));
  QCOMPARE(ReadBytes(f.folder.filePath("settings.dat")), old_settings);
  QCOMPARE(form.Numbers_Memo->Text(), QString("1 2 3"));

  QVERIFY(is_folder ? QDir(obstacle_path).removeRecursively() : QFile::remove(obstacle_path));
  QVERIFY(form.close());
  QCOMPARE(ReadBytes(f.folder.filePath("settings.dat")), "; kept\r\n" + MainSection("300"));
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), QByteArray("1 2 3"));
}

// A side file that exists but cannot be read is reported at start-up; the window still opens
// with the rest of start-up skipped.
void TestStoreMainWindow::UnreadableSideFileReportedAtStart() {
  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), MainSection("300")));
  // A named pipe standing where the text file is expected cannot be read, even by root.
  QVERIFY(QDir().mkpath(f.folder.filePath("System")));
  QCOMPARE(::mkfifo(QFile::encodeName(f.folder.filePath("System/Numbers_Memo.txt")), 0600), 0);
  TmainForm& form = f.Open();
  QCOMPARE(f.recorder.Events().size(), 1);
  QVERIFY2(f.recorder.Events()[0].startsWith("error: Cannot open file \"" +
                                             f.folder.filePath("System/Numbers_Memo.txt") + "\". "),
           qPrintable(f.recorder.Events()[0]));
  QCOMPARE(form.windowTitle(), QString("Tarvelon ver. 0.1"));
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("100"));
  QCOMPARE(f.ZeroLines(), 0);
}

// A ".File" value that leads out of the side folder is never followed; the box reads the side
// file under its own name instead.
void TestStoreMainWindow::FileValueOutsideTheFolderIsIgnored() {
  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("outside.txt"), "3 3 3"));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "1 2"));
  for (const QByteArray value : {"../outside", "Sub/Numbers_Memo", "Numbers\tMemo"}) {
    QVERIFY(WriteBytes(f.folder.filePath("settings.dat"),
                       "[mainForm]\r\nNumbers_Memo.File=" + value + "\r\n"));
    TmainForm& form = f.Open();
    QCOMPARE(form.Numbers_Memo->Text(), QString("1 2"));
  }
}

// A close from the window system that arrives while a rebuild lets paints through is handled
// after the rebuild, so the save holds the text as the rebuild wrote it back.
void TestStoreMainWindow::CloseDuringRebuildWaitsForIt() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("5 37");
  // The window system delivers the close at once, as an X server's WM_DELETE_WINDOW is, from
  // inside the rebuild's first round of pending messages.
  QWindow* window = form.windowHandle();
  QTimer::singleShot(0, window, [window] {
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(window);
  });
  form.Show_Btn->click();
  QVERIFY(form.isVisible());
  QTRY_VERIFY(!form.isVisible());
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), QByteArray("5 "));
}

void TestStoreMainWindow::UserStateOrShippedDefaults_data() {
  // The files already in the user's folder; "" for none. The shipped folder always holds a
  // settings file with 300 points per page and the list "1 2".
  QTest::addColumn<QByteArray>("userSettings");
  QTest::addColumn<QByteArray>("userMemo");
  QTest::addColumn<QString>("restoredList");
  QTest::addColumn<QString>("restoredPerPage");
  QTest::newRow("nothing of the user's: the shipped defaults")
      << QByteArray() << QByteArray() << "1 2"
      << "300";
  QTest::newRow("the user's settings and list") << MainSection("400") << QByteArray("5 6") << "5 6"
                                                << "400";
  QTest::newRow("the user's list alone") << QByteArray() << QByteArray("7") << "7"
                                         << "100";
  QTest::newRow("the user's settings alone") << MainSection("500") << QByteArray() << ""
                                             << "500";
}

// A restore reads the user's folder once it holds any state, the shipped files until then; the
// side files are always those beside the settings file read, and a save writes only into the
// user's folder.
void TestStoreMainWindow::UserStateOrShippedDefaults() {
  QFETCH(QByteArray, userSettings);
  QFETCH(QByteArray, userMemo);
  QFETCH(QString, restoredList);
  QFETCH(QString, restoredPerPage);

  MainFormFixture f;
  QTemporaryDir shipped, user;
  const QString shipped_settings = shipped.filePath("settings.dat");
  const QString user_settings = user.filePath("settings.dat");
  QVERIFY(WriteBytes(shipped_settings, MainSection("300")));
  QVERIFY(WriteBytes(shipped.filePath("System/Numbers_Memo.txt"), "1 2"));
  if (!userSettings.isEmpty())
    QVERIFY(WriteBytes(user_settings, userSettings));
  if (!userMemo.isEmpty())
    QVERIFY(WriteBytes(user.filePath("System/Numbers_Memo.txt"), userMemo));
  TmainForm& form = f.Open();

  LoadFormsState(SettingsToRestore(user_settings, shipped_settings));
  QCOMPARE(form.Numbers_Memo->Text(), restoredList);
  QCOMPARE(form.DotsPerPage_SE->Text(), restoredPerPage);

  form.Numbers_Memo->SetText("9 10");
  SaveFormsState(user_settings);
  QCOMPARE(ReadBytes(user_settings), MainSection(restoredPerPage.toLatin1()));
  QCOMPARE(ReadBytes(user.filePath("System/Numbers_Memo.txt")), QByteArray("9 10"));
  QCOMPARE(ReadBytes(shipped_settings), MainSection("300"));
  QCOMPARE(ReadBytes(shipped.filePath("System/Numbers_Memo.txt")), QByteArray("1 2"));
  QVERIFY(QDir(f.folder.path()).isEmpty());
}

void TestStoreMainWindow::UndoNeverReachesBehindTheProgramsWrites_data() {
  // Each step is a key sequence, or text to type when it starts with "type ".
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<QByteArray>("saved");
  const QByteArray restored = "5 12 7 30 31 2";
  QTest::newRow("typing undone once more than typed")
      << QStringList{"Ctrl+End", "type  9", "Ctrl+Z", "Ctrl+Z", "Ctrl+Z"} << restored;
  QTest::newRow("undo and redo right after start-up")
      << QStringList{"Ctrl+Z", "Ctrl+Shift+Z", "Ctrl+Z", "Ctrl+Y", "Ctrl+Z"} << restored;
  QTest::newRow("typing undone and redone")
      << QStringList{"Ctrl+End", "type  9", "Ctrl+Z", "Ctrl+Z", "Ctrl+Shift+Z"} << restored + " 9";
  // Enter writes the list back and appends a space: the typing before it is no longer undone.
  QTest::newRow("Enter, then undo")
      << QStringList{"Ctrl+End", "type  9", "Return", "Ctrl+Z", "Ctrl+Z"} << restored + " 9 ";
}

// The restore at start-up, a rebuild's write-back and Enter's appended space are the program's
// writes: undo and redo never go behind them, so no key empties the list that is saved on close.
void TestStoreMainWindow::UndoNeverReachesBehindTheProgramsWrites() {
  QFETCH(QStringList, steps);
  QFETCH(QByteArray, saved);

  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), MainSection("100")));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "5 12 7 30 31 2"));
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  for (const QString& step : steps) {
    if (step.startsWith("type "))
      QTest::keyClicks(form.Numbers_Memo, step.mid(5));
    else
      QTest::keySequence(form.Numbers_Memo, QKeySequence(step));
  }
  QVERIFY(form.close());
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), saved);
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestStoreMainWindow)

#include "test_store_main_window.moc"
