#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

#include "test_files.h"

// The built program itself, killed in the middle of its save. SIGTERM makes it save and end;
// SIGKILL follows after a delay spread over the measured length of that save, so that the kills
// fall before, inside and after the replacement of each file. After every kill the files hold the
// old state or the new one, never an empty list or a points-per-page value that was not stored;
// and a restart (which saves again on SIGTERM, writing back what it shows) shows the list and the
// value.
//
// The program keeps settings.dat beside itself, so it is copied into a folder of its own. One
// copy runs in that folder at a time, and each is waited for before the next starts.

namespace {

constexpr int kNumbers = 100'000;  // enough for the save to take a measurable time

QByteArray NumberList() {
  QRandomGenerator random(12);
  QByteArray text;
  for (int i = 0; i < kNumbers; ++i) {
    if (i > 0)
      text += ' ';
    text += QByteArray::number(1 + random.bounded(36));
  }
  return text;
}

QByteArray Settings(const QByteArray& value, const QByteArray& checked) {
  return "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=" + value +
         "\r\nDebug_CheckBox.Checked=" + checked + "\r\n";
}

// The files of one program folder, as bytes; a missing file reads "<missing>".
struct Files {
  QByteArray settings;
  QByteArray memo;
  bool operator==(const Files&) const = default;
};

// Whether the process has its handler for SIGTERM in place, read from the kernel's view of it:
// before that, SIGTERM would end it without a save.
bool CatchesSigterm(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly))
    return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("SigCgt:"))
      return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
  }
  return false;
}

class ProgramFolder {
 public:
  ProgramFolder() {
    program_ = dir_.filePath("tarvelon");
    QFile::copy(QStringLiteral(TARVELON_PROGRAM), program_);
  }

  QString Path(const QString& relative) const { return dir_.filePath(relative); }

  Files Read() const {
    return {ReadBytes(Path("settings.dat")), ReadBytes(Path("System/Numbers_Memo.txt"))};
  }
  bool Write(const Files& files) {
    QFile::remove(Path("settings.dat"));
    for (const QString& stale : StaleTemporaryFiles())
      QFile::remove(Path(stale));
    return (files.settings == "<missing>" || WriteBytes(Path("settings.dat"), files.settings)) &&
           WriteBytes(Path("System/Numbers_Memo.txt"), files.memo);
  }

  QStringList StaleTemporaryFiles() const {
    QStringList found;
    QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      if (path.endsWith(".tmp"))
        found << QDir(dir_.path()).relativeFilePath(path);
    }
    return found;
  }

  // Starts the program and waits until its SIGTERM handler is in place; false if it never is.
  bool Start(QProcess& process) {
    process.setProgram(program_);
    process.setWorkingDirectory(QDir::rootPath());  // the program folder must not depend on it
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted())
      return false;
    QElapsedTimer waited;
    waited.start();
    while (!CatchesSigterm(process.processId())) {
      if (process.state() != QProcess::Running || waited.elapsed() > 30'000)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

 private:
  QTemporaryDir dir_;
  QString program_;
};

// The file's inode, 0 when missing: a replacement renames a new file over the old one.
ino_t Inode(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

void Signal(const QProcess& process, int signal_number) {
  ::kill(static_cast<pid_t>(process.processId()), signal_number);
}

// Lets a started program save on SIGTERM and end; its exit code, or -1 when it crashed or hung.
int TerminateAndWait(QProcess& process) {
  Signal(process, SIGTERM);
  if (!process.waitForFinished(30'000) || process.exitStatus() != QProcess::NormalExit)
    return -1;
  return process.exitCode();
}

}  // namespace

class TestKilledSave : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void SigtermSaves_data();
  void SigtermSaves();
  void KillDuringSave_data();
  void KillDuringSave();
  void SecondSignalEndsAtOnce();

 private:
  QByteArray old_memo_;  // with a trailing blank, which the start-up build writes back without
  QByteArray new_memo_;
};

void TestKilledSave::initTestCase() {
  QVERIFY(QFileInfo(QStringLiteral(TARVELON_PROGRAM)).isExecutable());
  new_memo_ = NumberList();
  old_memo_ = new_memo_ + ' ';
}

// The states before the save, and what a complete save writes: one with 300 points per page
// stored, and one before the very first save, with only the side file.
void TestKilledSave::SigtermSaves_data() {
  QTest::addColumn<QByteArray>("old_settings");
  QTest::addColumn<QByteArray>("new_settings");
  QTest::addColumn<int>("kills");
  QTest::newRow("300 stored") << Settings("$12C", "1") << Settings("300", "1") << 50;
  QTest::newRow("first save") << QByteArray("<missing>") << Settings("100", "0") << 10;
}

void TestKilledSave::SigtermSaves() {
  QFETCH(QByteArray, old_settings);
  QFETCH(QByteArray, new_settings);

  ProgramFolder folder;
  QVERIFY(folder.Write({old_settings, old_memo_}));
  QProcess process;
  QVERIFY(folder.Start(process));
  QCOMPARE(TerminateAndWait(process), 0);
  QVERIFY(folder.Read() == (Files{new_settings, new_memo_}));
  QCOMPARE(folder.StaleTemporaryFiles(), QStringList());
}

void TestKilledSave::KillDuringSave_data() {
  SigtermSaves_data();
}

void TestKilledSave::KillDuringSave() {
  QFETCH(QByteArray, old_settings);
  QFETCH(QByteArray, new_settings);
  QFETCH(int, kills);
  const Files old_files{old_settings, old_memo_};
  const Files new_files{new_settings, new_memo_};

  ProgramFolder folder;
  // Where the save lies after SIGTERM, watched from outside three times: from the first sign of
  // the side file's replacement (its temporary file, or the file replaced) to settings.dat
  // replaced. The kills are spread from half the first moment to a quarter past the last.
  const QString memo_path = folder.Path("System/Numbers_Memo.txt");
  const QString settings_path = folder.Path("settings.dat");
  qint64 begin_ns = std::numeric_limits<qint64>::max();
  qint64 end_ns = 0;
  for (int i = 0; i < 3; ++i) {
    QVERIFY(folder.Write(old_files));
    const ino_t memo_inode = Inode(memo_path);
    const ino_t settings_inode = Inode(settings_path);
    QProcess process;
    QVERIFY(folder.Start(process));
    QElapsedTimer timer;
    timer.start();
    Signal(process, SIGTERM);
    qint64 begun = -1;
    qint64 ended = -1;
    while (ended < 0 && process.state() == QProcess::Running) {
      if (begun < 0 && (QFileInfo::exists(memo_path + ".tmp") || Inode(memo_path) != memo_inode))
        begun = timer.nsecsElapsed();
      if (Inode(settings_path) != settings_inode)
        ended = timer.nsecsElapsed();
    }
    QVERIFY(process.waitForFinished(30'000));
    QCOMPARE(process.exitCode(), 0);
    if (ended < 0)
      ended = timer.nsecsElapsed();
    begin_ns = std::min(begin_ns, begun < 0 ? 0 : begun);
    end_ns = std::max(end_ns, ended);
  }
  const qint64 first_ns = begin_ns / 2;
  const qint64 last_ns = end_ns + end_ns / 4;

  int old_state = 0;
  int side_file_only = 0;
  int new_state = 0;
  int restarts = 0;
  for (int kill = 0; kill < kills; ++kill) {
    QVERIFY(folder.Write(old_files));
    QProcess process;
    QVERIFY(folder.Start(process));
    Signal(process, SIGTERM);
    std::this_thread::sleep_for(
        std::chrono::nanoseconds(first_ns + (last_ns - first_ns) * kill / (kills - 1)));
    Signal(process, SIGKILL);
    QVERIFY(process.waitForFinished(30'000));

    // Each file is whole: the old version or the new one.
    const Files after = folder.Read();
    QVERIFY2(after.memo == old_files.memo || after.memo == new_files.memo,
             qPrintable(QString("kill %1: the list is torn or lost").arg(kill)));
    QVERIFY2(after.settings == old_files.settings || after.settings == new_files.settings,
             qPrintable(QString("kill %1: settings.dat holds %2").arg(kill).arg(after.settings)));
    old_state += after == old_files;
    new_state += after == new_files;
    side_file_only += after.memo == new_files.memo && after.settings == old_files.settings;

    // A restart shows the list and the stored value: its own save on SIGTERM writes them. Every
    // state but a complete save is restarted, and every tenth kill whatever it left.
    if (after == new_files && kill % 10 != 0)
      continue;
    QProcess again;
    QVERIFY(folder.Start(again));
    QCOMPARE(TerminateAndWait(again), 0);
    ++restarts;
    QVERIFY2(folder.Read() == new_files,
             qPrintable(QString("kill %1: the restart lost the list or the value").arg(kill)));
  }
  qInfo(
      "%d kills from %.1f to %.1f ms after SIGTERM (the save seen from %.1f to %.1f ms), %d "
      "restarts checked: %d left the old files, %d the new side file with the old settings.dat, "
      "%d the new files; none lost anything",
      kills, first_ns / 1e6, last_ns / 1e6, begin_ns / 1e6, end_ns / 1e6, restarts, old_state,
      side_file_only, new_state);
}

// A second signal while the save is pending ends the program at once, before any file is
// touched. Both signals are sent while the program is stopped, so both are pending when it goes
// on; two of the same kind would merge into one.
void TestKilledSave::SecondSignalEndsAtOnce() {
  ProgramFolder folder;
  const Files old_files{Settings("$12C", "1"), old_memo_};
  QVERIFY(folder.Write(old_files));
  QProcess process;
  QVERIFY(folder.Start(process));
  Signal(process, SIGSTOP);
  Signal(process, SIGTERM);
  Signal(process, SIGHUP);
  Signal(process, SIGCONT);
  QVERIFY(process.waitForFinished(30'000));
  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  // The handler's exit: 128 and the number of whichever signal came second.
  QVERIFY2(process.exitCode() == 128 + SIGTERM || process.exitCode() == 128 + SIGHUP,
           qPrintable(QString::number(process.exitCode())));
  QVERIFY(folder.Read() == old_files);
}

QTEST_GUILESS_MAIN(TestKilledSave)

#include "test_killed_save.moc"
