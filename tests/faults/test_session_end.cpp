#include <signal.h>
#include <unistd.h>

#include <private/qguiapplication_p.h>
#include <QTest>
#include <QTimer>

#include "app/session_end.h"
#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// The end of the session without a close: a signal or the session manager's commit request runs
// the save of a close and ends the event loop, so nothing typed since the start is lost.

namespace {

const QByteArray kSaved =
    "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=100\r\n"
    "Debug_CheckBox.Checked=0\r\n";

// Runs the event loop as the program does, after `trigger` has run inside it; returns its exit
// code. A loop that nobody ends stops after a minute with 99 rather than hang the test.
int RunLoopAfter(const std::function<void()>& trigger) {
  QTimer give_up;
  give_up.setSingleShot(true);
  QObject::connect(&give_up, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  give_up.start(60'000);
  QTimer::singleShot(0, trigger);
  return QCoreApplication::exec();
}

void TypeNumbers(MainFormFixture& f) {
  f.Type(f.form->Numbers_Memo, "5 12 36");
  f.Enter();
  f.Type(f.form->Numbers_Memo, "7");
}

}  // namespace

class TestSessionEnd : public QObject {
  Q_OBJECT

 private slots:
  void EndSavesTypedNumbers_data();
  void EndSavesTypedNumbers();
  void FailedSaveStillEnds();
  void SignalDuringRebuildSavesAfterIt();
};

void TestSessionEnd::EndSavesTypedNumbers_data() {
  QTest::addColumn<int>("signal_number");  // 0: the session manager's commit request
  QTest::newRow("SIGTERM") << SIGTERM;
  QTest::newRow("SIGHUP") << SIGHUP;
  QTest::newRow("SIGINT") << SIGINT;
  QTest::newRow("commit request") << 0;
}

void TestSessionEnd::EndSavesTypedNumbers() {
  QFETCH(int, signal_number);

  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  TypeNumbers(f);
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12 36 7"));
  f.recorder.Clear();
  app::TSessionEnd session_end([&form] { form.FormClose(); });

  const int code = RunLoopAfter([signal_number] {
    if (signal_number != 0)
      ::kill(::getpid(), signal_number);
    else
      QGuiApplicationPrivate::instance()->commitData();
  });
  QCOMPARE(code, 0);
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), QByteArray("5 12 36 7"));
  QCOMPARE(ReadBytes(f.folder.filePath("settings.dat")), kSaved);
  QCOMPARE(f.recorder.Events(), QStringList());
}

// A save that fails at the end of the session shows nothing and leaves the files as they were;
// the program ends all the same.
void TestSessionEnd::FailedSaveStillEnds() {
  MainFormFixture f;
  const QByteArray old_settings = "; kept\r\n" + kSaved;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), old_settings));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "1 2"));
  TmainForm& form = f.OpenShown();
  TypeNumbers(f);
  // A folder where the temporary file of settings.dat must go: that replacement fails.
  QVERIFY(QDir().mkpath(f.folder.filePath("settings.dat.tmp")));
  f.recorder.Clear();
  app::TSessionEnd session_end([&form] { form.FormClose(); });

  QCOMPARE(RunLoopAfter([] { ::kill(::getpid(), SIGTERM); }), 1);
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(ReadBytes(f.folder.filePath("settings.dat")), old_settings);
}

// A signal that arrives while a rebuild lets paints through is handled after the rebuild, as a
// close is, so the save holds the text as the rebuild wrote it back.
void TestSessionEnd::SignalDuringRebuildSavesAfterIt() {
  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("5 37");
  app::TSessionEnd session_end([&form] { form.FormClose(); });

  QTimer::singleShot(0, [] { ::kill(::getpid(), SIGTERM); });
  form.Show_Btn->click();
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 "));
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), QByteArray("<missing>"));
  QCOMPARE(RunLoopAfter([] {}), 0);
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), QByteArray("5 "));
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestSessionEnd)

#include "test_session_end.moc"
