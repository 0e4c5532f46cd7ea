#include <QApplication>
#include <QDirIterator>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

#include "ui/single_copy.h"

// Two starts of the built program in one program folder: the later one must bring the running
// window forward and end without writing anything, so that no copy saves over the other's
// numbers. Each program folder holds a copy of the real executable, since the program folder is
// the folder of the executable.

namespace {

constexpr int kPatienceMs = 20000;  // bounds a hang; measures nothing
const QByteArray kSettings =
    "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=200\r\n"
    "Debug_CheckBox.Checked=0\r\n";
const QByteArray kMemo = "5 12 8 29";
// What a running copy prints once it has brought its window to the front for a later start.
const QByteArray kBroughtForward = "brought the window to the front for a later start";

// A program folder with its own copy of the executable, optionally with a saved state.
class ProgramFolder {
 public:
  explicit ProgramFolder(bool withSavedState = false) {
    QFile::copy(QStringLiteral(TARVELON_PROGRAM), Program());
    if (withSavedState) {
      Write(QStringLiteral("settings.dat"), kSettings);
      QDir(dir_.path()).mkdir(QStringLiteral("System"));
      Write(QStringLiteral("System/Numbers_Memo.txt"), kMemo);
    }
  }
  ~ProgramFolder() {
    // A killed copy leaves its socket behind in the temporary folder.
    QLocalServer::removeServer(ui::SingleCopy::ServerName(dir_.path()));
  }

  QString Path() const { return dir_.path(); }
  QString Program() const { return dir_.filePath(QStringLiteral("tarvelon")); }
  QString LockPath() const { return dir_.filePath(ui::SingleCopy::LockFileName()); }

  // The process id the folder's lock file names, 0 without one.
  qint64 LockOwner() const {
    qint64 pid = 0;
    QString host, app;
    QLockFile lock(LockPath());
    return lock.getLockInfo(&pid, &host, &app) ? pid : 0;
  }

  // Every file and folder below the program folder with its contents.
  QMap<QString, QByteArray> Snapshot() const {
    QMap<QString, QByteArray> entries;
    QDirIterator it(dir_.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      QFile file(path);
      entries[QDir(dir_.path()).relativeFilePath(path)] =
          it.fileInfo().isDir()
              ? QByteArray("<folder>")
              : (file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
    }
    return entries;
  }

 private:
  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(dir_.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  QTemporaryDir dir_;
};

// One start of the program, from a working directory of its own; its output is kept.
class Copy {
 public:
  Copy(const ProgramFolder& folder, const QString& workingDirectory) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tarvelon.copies.info=true"));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setWorkingDirectory(workingDirectory);
    process_.start(folder.Program(), {});
  }
  ~Copy() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(kPatienceMs);
    }
  }

  QProcess& Process() { return process_; }
  qint64 Pid() const { return process_.processId(); }
  bool Running() const { return process_.state() == QProcess::Running; }
  QByteArray Output() {
    output_ += process_.readAll();
    return output_;
  }

 private:
  QProcess process_;
  QByteArray output_;
};

// Sets the lock file's modification time `seconds` back.
void AgeFile(const QString& path, int seconds) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadWrite));
  QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                           QFileDevice::FileModificationTime));
}

// Starts a later copy in `folder`, which must end by itself with code 0 and leave the folder
// and the working directory exactly as they were.
void ExpectLaterStartEndsWritingNothing(const ProgramFolder& folder) {
  const QMap<QString, QByteArray> before = folder.Snapshot();
  QTemporaryDir elsewhere;
  Copy later(folder, elsewhere.path());
  QVERIFY2(later.Process().waitForFinished(kPatienceMs), "the later start kept running");
  QCOMPARE(later.Process().exitStatus(), QProcess::NormalExit);
  QCOMPARE(later.Process().exitCode(), 0);
  QCOMPARE(folder.Snapshot(), before);
  QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList());
}

// Waits until `copy` holds `folder`'s lock.
void WaitUntilHolding(Copy& copy, const ProgramFolder& folder) {
  QTRY_COMPARE_WITH_TIMEOUT(folder.LockOwner(), copy.Pid(), kPatienceMs);
}

}  // namespace

class TestTwoCopies : public QObject {
  Q_OBJECT

 private slots:
  void laterStartBringsTheRunningCopyForward_data();
  void laterStartBringsTheRunningCopyForward();
  void differentFoldersRunSideBySide();
  void lockOfAKilledCopyIsTakenOver();
  void requestActivatesTheRunningWindow();
};

void TestTwoCopies::laterStartBringsTheRunningCopyForward_data() {
  QTest::addColumn<bool>("savedState");
  QTest::addColumn<int>("lockAgeSeconds");
  // An old lock of a living copy is still its lock: a copy may run for days.
  QTest::newRow("first start, fresh lock") << false << 0;
  QTest::newRow("saved numbers, lock a day old") << true << 24 * 3600;
}

void TestTwoCopies::laterStartBringsTheRunningCopyForward() {
  QFETCH(bool, savedState);
  QFETCH(int, lockAgeSeconds);
  ProgramFolder folder(savedState);
  QTemporaryDir elsewhere;
  Copy first(folder, elsewhere.path());
  WaitUntilHolding(first, folder);
  if (QTest::currentTestFailed())
    return;
  if (lockAgeSeconds > 0)
    AgeFile(folder.LockPath(), lockAgeSeconds);

  ExpectLaterStartEndsWritingNothing(folder);
  if (QTest::currentTestFailed())
    return;
  QTRY_VERIFY_WITH_TIMEOUT(first.Output().contains(kBroughtForward), kPatienceMs);
  QVERIFY(first.Running());
  QCOMPARE(folder.LockOwner(), first.Pid());
  if (savedState) {
    QCOMPARE(folder.Snapshot().value(QStringLiteral("settings.dat")), kSettings);
    QCOMPARE(folder.Snapshot().value(QStringLiteral("System/Numbers_Memo.txt")), kMemo);
  }
}

void TestTwoCopies::differentFoldersRunSideBySide() {
  ProgramFolder a, b;
  QTemporaryDir elsewhere;
  Copy inA(a, elsewhere.path());
  Copy inB(b, elsewhere.path());
  WaitUntilHolding(inA, a);
  WaitUntilHolding(inB, b);
  if (QTest::currentTestFailed())
    return;
  QVERIFY(ui::SingleCopy::ServerName(a.Path()) != ui::SingleCopy::ServerName(b.Path()));

  // A later start in A reaches the copy in A only.
  ExpectLaterStartEndsWritingNothing(a);
  if (QTest::currentTestFailed())
    return;
  QTRY_VERIFY_WITH_TIMEOUT(inA.Output().contains(kBroughtForward), kPatienceMs);
  QVERIFY(!inB.Output().contains(kBroughtForward));
  QVERIFY(inA.Running());
  QVERIFY(inB.Running());
  QCOMPARE(b.LockOwner(), inB.Pid());
}

void TestTwoCopies::lockOfAKilledCopyIsTakenOver() {
  ProgramFolder folder(true);
  QTemporaryDir elsewhere;
  qint64 deadPid = 0;
  {
    Copy killed(folder, elsewhere.path());
    WaitUntilHolding(killed, folder);
    if (QTest::currentTestFailed())
      return;
    deadPid = killed.Pid();
    killed.Process().kill();  // SIGKILL: no chance to remove the lock or the socket
    QVERIFY(killed.Process().waitForFinished(kPatienceMs));
  }
  QCOMPARE(folder.LockOwner(), deadPid);  // the stale lock is really there

  Copy next(folder, elsewhere.path());
  WaitUntilHolding(next, folder);
  if (QTest::currentTestFailed())
    return;
  QVERIFY(next.Running());
  // The new holder also answers under the name the killed copy left behind.
  ExpectLaterStartEndsWritingNothing(folder);
  if (QTest::currentTestFailed())
    return;
  QTRY_VERIFY_WITH_TIMEOUT(next.Output().contains(kBroughtForward), kPatienceMs);
}

// This process plays the running copy with a window of its own that is not active; the real
// program started in the same folder must make it the active window.
void TestTwoCopies::requestActivatesTheRunningWindow() {
  ProgramFolder folder;
  ui::SingleCopy running(folder.Path());
  QCOMPARE(running.Take(), ui::SingleCopy::Claim::kFirst);
  QWidget window, other;
  window.setWindowTitle(QStringLiteral("running copy"));
  running.BringForwardOnRequest(&window);
  window.show();
  other.show();
  other.activateWindow();
  QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &other, kPatienceMs);

  ExpectLaterStartEndsWritingNothing(folder);
  if (QTest::currentTestFailed())
    return;
  QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &window, kPatienceMs);
}

QTEST_MAIN(TestTwoCopies)
#include "test_two_copies.moc"
