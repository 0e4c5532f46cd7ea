#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QLocalServer>
#include <QLockFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

#include "app/single_copy.h"

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
    QLocalServer::removeServer(app::SingleCopy::ServerName(dir_.path()));
  }

  QString Path() const { return dir_.path(); }
  QString Program() const { return dir_.filePath(QStringLiteral("tarvelon")); }
  QString LockPath() const { return dir_.filePath(app::SingleCopy::LockFileName()); }

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

// A process whose whole output so far is kept, read as it comes.
class ProcessWithOutput {
 public:
  QByteArray Output() {
    output_ += process_.readAll();
    return output_;
  }

 protected:
  QProcess process_;
  QByteArray output_;
};

// One start of the program, from a working directory of its own; its output is kept.
class Copy : public ProcessWithOutput {
 public:
  // `extra` adds to the environment of the test.
  Copy(const ProgramFolder& folder, const QString& workingDirectory,
       const QProcessEnvironment& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
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
void ExpectLaterStartEndsWritingNothing(const ProgramFolder& folder,
                                        const QProcessEnvironment& extra = {}, int exitCode = 0) {
  const QMap<QString, QByteArray> before = folder.Snapshot();
  QTemporaryDir elsewhere;
  Copy later(folder, elsewhere.path(), extra);
  QVERIFY2(later.Process().waitForFinished(kPatienceMs), "the later start kept running");
  QCOMPARE(later.Process().exitStatus(), QProcess::NormalExit);
  QCOMPARE(later.Process().exitCode(), exitCode);
  QCOMPARE(folder.Snapshot(), before);
  QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList());
}

// Waits until `copy` holds `folder`'s lock.
void WaitUntilHolding(Copy& copy, const ProgramFolder& folder) {
  QTRY_COMPARE_WITH_TIMEOUT(folder.LockOwner(), copy.Pid(), kPatienceMs);
}

// An environment variable set for the length of one test and put back after it.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const QByteArray& value, bool set = true)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    if (set)
      qputenv(name, value);
    else
      qunsetenv(name);
  }
  ~ScopedVariable() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

constexpr uid_t kOtherUser = 65534;

// A process of another user listening on a local socket at `path`: it reports "listening", then
// for each connection "connected" and every byte it received, in Python's notation.
class OtherUsersListener : public ProcessWithOutput {
 public:
  explicit OtherUsersListener(const QString& path) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(
        QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=%1").arg(kOtherUser), QStringLiteral("--regid=%1").arg(kOtherUser),
         QStringLiteral("--clear-groups"), QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
         QStringLiteral("import socket, sys\n"
                        "s = socket.socket(socket.AF_UNIX)\n"
                        "s.bind(sys.argv[1])\n"
                        "s.listen()\n"
                        "print('listening', flush=True)\n"
                        "while True:\n"
                        "    c, _ = s.accept()\n"
                        "    print('connected', flush=True)\n"
                        "    c.settimeout(5)\n"
                        "    data = b''\n"
                        "    try:\n"
                        "        while chunk := c.recv(4096):\n"
                        "            data += chunk\n"
                        "    except OSError:\n"
                        "        pass\n"
                        "    print('received', repr(data), flush=True)\n"),
         path});
  }
  ~OtherUsersListener() {
    process_.kill();
    process_.waitForFinished(kPatienceMs);
  }
  bool Listening() {
    QDeadlineTimer deadline(kPatienceMs);
    while (!Output().contains("listening\n") && !deadline.hasExpired()) {
      if (process_.state() == QProcess::NotRunning)
        return false;
      process_.waitForReadyRead(100);
    }
    return Output().contains("listening\n");
  }
};

// Records the messages of the running copy's log in this process.
QStringList& CopiesLog() {
  static QStringList log;
  return log;
}

void RecordCopiesLog(QtMsgType, const QMessageLogContext& context, const QString& message) {
  if (context.category && QByteArray(context.category) == "tarvelon.copies")
    CopiesLog() << message;
}

// The value of XDG_ACTIVATION_TOKEN in this process at the moment `window` was activated.
class TokenAtActivation : public QObject {
 public:
  explicit TokenAtActivation(QWidget* window) { window->installEventFilter(this); }
  std::optional<QByteArray> seen;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate)
      seen = qgetenv("XDG_ACTIVATION_TOKEN");
    return false;
  }
};

}  // namespace

class TestTwoCopies : public QObject {
  Q_OBJECT

 private slots:
  void laterStartBringsTheRunningCopyForward_data();
  void laterStartBringsTheRunningCopyForward();
  void differentFoldersRunSideBySide();
  void lockOfAKilledCopyIsTakenOver();
  void requestActivatesTheRunningWindow();
  void laterStartHandsOverItsTokens_data();
  void laterStartHandsOverItsTokens();
  void socketLiesInTheUsersRuntimeFolder_data();
  void socketLiesInTheUsersRuntimeFolder();
  void anotherUsersSocketIsNotSpokenTo_data();
  void anotherUsersSocketIsNotSpokenTo();
  void anotherUsersSocketDoesNotBlockAStart();
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
  QVERIFY(app::SingleCopy::ServerName(a.Path()) != app::SingleCopy::ServerName(b.Path()));

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
  app::SingleCopy running(folder.Path());
  QCOMPARE(running.Take(), app::SingleCopy::Claim::kFirst);
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

void TestTwoCopies::laterStartHandsOverItsTokens_data() {
  QTest::addColumn<QByteArray>("token");      // XDG_ACTIVATION_TOKEN of the later start
  QTest::addColumn<QByteArray>("startupId");  // DESKTOP_STARTUP_ID of the later start
  QTest::addColumn<QByteArray>("tokenUsed");  // what the running copy activates with
  QTest::addColumn<QByteArray>("startupIdReceived");
  QTest::newRow("none") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
  QTest::newRow("a Wayland activation token")
      << QByteArray("tarvelon-test-token-1") << QByteArray() << QByteArray("tarvelon-test-token-1")
      << QByteArray();
  QTest::newRow("an X11 startup id")
      << QByteArray() << QByteArray("launcher-42-host-tarvelon-0_TIME123456") << QByteArray()
      << QByteArray("launcher-42-host-tarvelon-0_TIME123456");
  QTest::newRow("both") << QByteArray("t2") << QByteArray("s2_TIME7") << QByteArray("t2")
                        << QByteArray("s2_TIME7");
  // A value that could break the request line is not handed over.
  QTest::newRow("a token with a tab")
      << QByteArray("bad\ttoken") << QByteArray("ok") << QByteArray() << QByteArray("ok");
}

// This process plays the running copy; the real program started with a desktop's tokens must
// hand them over, and the running copy must activate its window with the Wayland token in
// XDG_ACTIVATION_TOKEN, where Qt's Wayland platform takes it from.
void TestTwoCopies::laterStartHandsOverItsTokens() {
  QFETCH(QByteArray, token);
  QFETCH(QByteArray, startupId);
  QFETCH(QByteArray, tokenUsed);
  QFETCH(QByteArray, startupIdReceived);
  const ScopedVariable no_token("XDG_ACTIVATION_TOKEN", {}, false);
  ProgramFolder folder;
  app::SingleCopy running(folder.Path());
  QCOMPARE(running.Take(), app::SingleCopy::Claim::kFirst);
  QWidget window, other;
  running.BringForwardOnRequest(&window);
  window.show();
  other.show();
  other.activateWindow();
  QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &other, kPatienceMs);
  TokenAtActivation observer(&window);
  CopiesLog().clear();
  QLoggingCategory::setFilterRules(QStringLiteral("tarvelon.copies.info=true"));
  const QtMessageHandler previous = qInstallMessageHandler(RecordCopiesLog);

  QProcessEnvironment tokens;
  if (!token.isEmpty())
    tokens.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QString::fromLatin1(token));
  if (!startupId.isEmpty())
    tokens.insert(QStringLiteral("DESKTOP_STARTUP_ID"), QString::fromLatin1(startupId));
  ExpectLaterStartEndsWritingNothing(folder, tokens);
  QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &window, kPatienceMs);
  qInstallMessageHandler(previous);
  QLoggingCategory::setFilterRules(QString());

  QVERIFY(observer.seen.has_value());
  QCOMPARE(*observer.seen, tokenUsed);
  const QString handed =
      QStringLiteral(
          "a later start handed over XDG_ACTIVATION_TOKEN=%1 "
          "DESKTOP_STARTUP_ID=%2")
          .arg(QString::fromLatin1(tokenUsed), QString::fromLatin1(startupIdReceived));
  QVERIFY2(CopiesLog().contains(handed), qPrintable(CopiesLog().join(u'\n')));
}

void TestTwoCopies::socketLiesInTheUsersRuntimeFolder_data() {
  QTest::addColumn<QString>("runtime");  // "own", "other user's" or "unset"
  QTest::addColumn<bool>("inRuntime");
  QTest::newRow("the user's runtime folder") << "own" << true;
  QTest::newRow("a folder of another user") << "other user's" << false;
  QTest::newRow("unset") << "unset" << false;
}

// The running copy listens in $XDG_RUNTIME_DIR when that is the user's own folder, in the
// temporary folder otherwise; a later start finds it there.
void TestTwoCopies::socketLiesInTheUsersRuntimeFolder() {
  QFETCH(QString, runtime);
  QFETCH(bool, inRuntime);
  QTemporaryDir runtime_dir, temporary;
  const ScopedVariable tmpdir("TMPDIR", temporary.path().toLocal8Bit());
  if (runtime == "other user's")
    QVERIFY(::chown(runtime_dir.path().toLocal8Bit().constData(), kOtherUser, kOtherUser) == 0);
  const ScopedVariable xdg_runtime("XDG_RUNTIME_DIR", runtime_dir.path().toLocal8Bit(),
                                   runtime != "unset");
  ProgramFolder folder;
  const QString name = app::SingleCopy::ServerName(folder.Path());
  const QString expected =
      (inRuntime ? runtime_dir.path() : temporary.path()) + u'/' + QFileInfo(name).fileName();

  app::SingleCopy running(folder.Path());
  QCOMPARE(running.Take(), app::SingleCopy::Claim::kFirst);
  QWidget window;
  running.BringForwardOnRequest(&window);
  QVERIFY2(QFileInfo(expected).exists(), qPrintable(expected + " is missing"));
  QCOMPARE(
      QDir(inRuntime ? temporary.path() : runtime_dir.path()).entryList(QDir::System | QDir::Files),
      QStringList());
  CopiesLog().clear();
  QLoggingCategory::setFilterRules(QStringLiteral("tarvelon.copies.info=true"));
  const QtMessageHandler previous = qInstallMessageHandler(RecordCopiesLog);
  ExpectLaterStartEndsWritingNothing(folder);
  QTRY_VERIFY_WITH_TIMEOUT(
      CopiesLog().contains("brought the window to the front for a later start"), kPatienceMs);
  qInstallMessageHandler(previous);
  QLoggingCategory::setFilterRules(QString());
}

void TestTwoCopies::anotherUsersSocketIsNotSpokenTo_data() {
  QTest::addColumn<bool>("fileMadeOurs");
  QTest::addColumn<QByteArray>("listenerSees");
  // Its socket file is seen to be another user's: no connection at all.
  QTest::newRow("another user's socket") << false << QByteArray();
  // The file looks like ours, but the kernel names the listening process's user: connected to,
  // nothing sent.
  QTest::newRow("another user's listener behind a file of ours")
      << true << QByteArray("connected\nreceived b''\n");
}

// The folder is locked as by a running copy, and another user listens under the copy's socket
// name in the shared temporary folder: the later start hands that listener nothing and ends.
void TestTwoCopies::anotherUsersSocketIsNotSpokenTo() {
  QFETCH(bool, fileMadeOurs);
  QFETCH(QByteArray, listenerSees);
  QTemporaryDir temporary;
  QVERIFY(::chmod(temporary.path().toLocal8Bit().constData(), 01777) == 0);
  const ScopedVariable tmpdir("TMPDIR", temporary.path().toLocal8Bit());
  const ScopedVariable no_runtime("XDG_RUNTIME_DIR", {}, false);
  ProgramFolder folder;
  QLockFile held(folder.LockPath());
  QVERIFY(held.tryLock(0));
  const QString socket = temporary.filePath(app::SingleCopy::ServerName(folder.Path()));
  OtherUsersListener listener(socket);
  QVERIFY2(listener.Listening(), listener.Output().constData());
  if (fileMadeOurs)
    QVERIFY(::chown(socket.toLocal8Bit().constData(), ::geteuid(), ::getegid()) == 0);

  QProcessEnvironment tokens;
  tokens.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("secret-token"));
  // Reaching no copy of its own, the start ends with code 1.
  ExpectLaterStartEndsWritingNothing(folder, tokens, 1);
  if (QTest::currentTestFailed())
    return;
  if (!listenerSees.isEmpty())
    QTRY_VERIFY_WITH_TIMEOUT(listener.Output().contains("received"), kPatienceMs);
  QCOMPARE(listener.Output(), "listening\n" + listenerSees);
}

// Another user listening under the socket name first does not keep the program from starting.
void TestTwoCopies::anotherUsersSocketDoesNotBlockAStart() {
  QTemporaryDir temporary;
  QVERIFY(::chmod(temporary.path().toLocal8Bit().constData(), 01777) == 0);
  const ScopedVariable tmpdir("TMPDIR", temporary.path().toLocal8Bit());
  const ScopedVariable no_runtime("XDG_RUNTIME_DIR", {}, false);
  ProgramFolder folder;
  OtherUsersListener listener(temporary.filePath(app::SingleCopy::ServerName(folder.Path())));
  QVERIFY2(listener.Listening(), listener.Output().constData());
  QTemporaryDir elsewhere;
  Copy first(folder, elsewhere.path());
  WaitUntilHolding(first, folder);
  if (QTest::currentTestFailed())
    return;
  QTRY_VERIFY_WITH_TIMEOUT(first.Output().contains("another user's socket stands at"), kPatienceMs);
  QVERIFY(first.Running());
  QCOMPARE(listener.Output(), QByteArray("listening\n"));
}

QTEST_MAIN(TestTwoCopies)
#include "test_two_copies.moc"
