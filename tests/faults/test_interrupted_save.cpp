#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>
#include <QTest>

#include "base/file_replacement.h"
#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// A save cut off by a crash at the worst moment: a temporary file completely written and not yet
// renamed. A child process runs the close and dies there; the files it leaves behind must hold
// the old state or the new one, never a mixture, and the next start and save must cope with the
// stale temporary file.

namespace {

QByteArray MainSection(const QByteArray& value, const QByteArray& checked) {
  return "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=" + value +
         "\r\nDebug_CheckBox.Checked=" + checked + "\r\n";
}

// What is on disk before the save, and what a complete save writes.
const QByteArray kOldSettings = "; kept\r\n" + MainSection("300", "1");
const QByteArray kNewSettings = "; kept\r\n" + MainSection("500", "0");
const QByteArray kOldMemo = "1 2";
const QByteArray kNewMemo = "1 2 3";

// Exit codes of the child.
constexpr int kStoppedAtRename = 0;
constexpr int kSaveFinished = 3;
constexpr int kCloseRefused = 4;
constexpr int kPipeFailed = 5;

void SetNewValues(TmainForm& form) {
  form.Numbers_Memo->SetText(QString::fromUtf8(kNewMemo));
  form.DotsPerPage_SE->SetValue(500);
  form.Debug_CheckBox->SetChecked(false);
}

// How the child's close ended, and the temporary file it left when it died.
struct ChildOutcome {
  int exit_code = -1;
  QString temporary;
};

// Closes the window in a child process that dies just before the `replacement`-th rename of the
// save (counting from 1), telling the parent through a pipe which temporary file it left.
ChildOutcome CloseAndDieBeforeRename(TmainForm& form, int replacement) {
  int channel[2];
  if (::pipe(channel) != 0)
    return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    int seen = 0;
    base::SetBeforeRenameHookForTesting([&](const std::string& temporary) {
      if (++seen != replacement)
        return;
      const ssize_t written = ::write(channel[1], temporary.data(), temporary.size());
      ::_exit(written == static_cast<ssize_t>(temporary.size()) ? kStoppedAtRename : kPipeFailed);
    });
    const bool closed = form.close();
    ::_exit(closed ? kSaveFinished : kCloseRefused);
  }
  ::close(channel[1]);
  ChildOutcome outcome;
  QByteArray path;
  char buffer[4096];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    path.append(buffer, got);
  ::close(channel[0]);
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
    outcome.exit_code = WEXITSTATUS(status);
  outcome.temporary = QFile::decodeName(path);
  return outcome;
}

// Every file in the program folder, at any depth, left behind as the temporary file of an
// unfinished replacement.
QStringList StaleTemporaryFiles(const QString& folder) {
  QStringList found;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (path.endsWith(".tmp"))
      found << QDir(folder).relativeFilePath(path);
  }
  return found;
}

}  // namespace

class TestInterruptedSave : public QObject {
  Q_OBJECT

 private slots:
  void HookSeesEveryTemporaryFile();
  void CrashBeforeRename_data();
  void CrashBeforeRename();
};

// The hook is called with the full temporary file, before the target is touched.
void TestInterruptedSave::HookSeesEveryTemporaryFile() {
  QTemporaryDir folder;
  const std::string target = folder.filePath("file.txt").toStdString();
  QVERIFY(WriteBytes(QString::fromStdString(target), "old"));
  QStringList seen;
  base::SetBeforeRenameHookForTesting([&](const std::string& temporary) {
    seen << QString::fromStdString(temporary);
    QCOMPARE(ReadBytes(QString::fromStdString(temporary)), QByteArray("new"));
    QCOMPARE(ReadBytes(QString::fromStdString(target)), QByteArray("old"));
  });
  base::ReplaceFile(target, "new");
  base::SetBeforeRenameHookForTesting({});
  QCOMPARE(seen, QStringList{folder.filePath("file.txt.tmp")});
  QCOMPARE(ReadBytes(QString::fromStdString(target)), QByteArray("new"));
  base::ReplaceFile(target, "newer");  // no hook any more
  QCOMPARE(seen.size(), 1);
}

// A save of this window replaces a handful of files; the rows cover each of those moments and
// end with rows where the save runs through, the last of which must.
constexpr int kLastRow = 9;

void TestInterruptedSave::CrashBeforeRename_data() {
  QTest::addColumn<int>("replacement");
  for (int i = 1; i <= kLastRow; ++i)
    QTest::addRow("crash before rename %d", i) << i;
}

void TestInterruptedSave::CrashBeforeRename() {
  QFETCH(int, replacement);

  MainFormFixture f;
  const QString dir = f.folder.path();
  const QString settings = dir + "/settings.dat";
  const QString memo_file = dir + "/System/Numbers_Memo.txt";
  QVERIFY(WriteBytes(settings, kOldSettings));
  QVERIFY(WriteBytes(memo_file, kOldMemo));
  TmainForm& form = f.OpenShown();
  SetNewValues(form);

  const ChildOutcome outcome = CloseAndDieBeforeRename(form, replacement);
  const int exit_code = outcome.exit_code;
  if (replacement == kLastRow)
    QCOMPARE(exit_code, kSaveFinished);  // otherwise later moments went untested
  if (exit_code == kSaveFinished) {
    // Fewer replacements than this: the save ran through and is complete.
    QCOMPARE(ReadBytes(settings), kNewSettings);
    QCOMPARE(ReadBytes(memo_file), kNewMemo);
    QCOMPARE(StaleTemporaryFiles(dir), QStringList());
    return;
  }
  QCOMPARE(exit_code, kStoppedAtRename);
  // The crash left a complete temporary file that was never renamed.
  QVERIFY2(QFileInfo(outcome.temporary).isFile(), qPrintable(outcome.temporary));

  // The side file is whole: the old version or the new one.
  const QByteArray settings_after = ReadBytes(settings);
  const QByteArray memo_after = ReadBytes(memo_file);
  QVERIFY2(memo_after == kOldMemo || memo_after == kNewMemo, memo_after.constData());

  // A new window starts beside the stale temporary file without an error and shows its text.
  f.form.reset();
  f.recorder.Clear();
  TmainForm& again = f.OpenShown();
  for (const QString& event : f.recorder.Events())
    QVERIFY2(!event.startsWith("error:"), qPrintable(event));
  QCOMPARE(again.Numbers_Memo->Text(), QString::fromUtf8(memo_after));
  const QString spin_shown = again.DotsPerPage_SE->Text();
  const bool checked_shown = again.Debug_CheckBox->Checked();

  // The next save goes through and leaves no temporary file.
  SetNewValues(again);
  QVERIFY(again.close());
  QCOMPARE(ReadBytes(settings), kNewSettings);
  QCOMPARE(ReadBytes(memo_file), kNewMemo);
  QCOMPARE(StaleTemporaryFiles(dir), QStringList());

  // settings.dat was whole when the crash came: the old version or the new one, never one with
  // the section already erased or only part of the new values written; and the window started
  // from it showed all old or all new values.
  QVERIFY2(settings_after == kOldSettings || settings_after == kNewSettings,
           settings_after.constData());
  const bool old_state = settings_after == kOldSettings;
  QCOMPARE(spin_shown, QString(old_state ? "300" : "500"));
  QCOMPARE(checked_shown, old_state);
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestInterruptedSave)

#include "test_interrupted_save.moc"
