#include <sys/stat.h>

#include <QTemporaryDir>
#include <QTest>

#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// A restore that stops at a file it cannot read: the error is reported as before, and the close
// that follows must not write defaults over what could not be read. The side file stays as it
// is, settings.dat keeps the stored points-per-page value byte for byte, and a later start that
// can read them finds everything intact.
//
// Tests run as root here, where a file of mode 000 is still readable; a named pipe or a folder at
// the file's place cannot be read by anyone, so they stand in for a file the user may not read.
// A symbolic link at the file's place, to a file elsewhere, is not read either: it is no file of
// the program's, and what it leads to is neither shown nor taken in.

namespace {

// Odd spacing and a hexadecimal value, so that only an untouched line compares equal.
const QByteArray kSettings =
    "; kept\r\n[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\n  DotsPerPage_SE.Value = $12C\r\n"
    "Debug_CheckBox.Checked=1\r\n";
const QByteArray kNumbers = "5 12";

// What stands where a file cannot be read: "pipe", "folder" or "link" (to `elsewhere`).
bool PutObstacle(const QString& path, const QString& obstacle, const QString& elsewhere) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (obstacle == "folder")
    return QDir().mkpath(path);
  if (obstacle == "link")
    return QFile::link(elsewhere, path);
  return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool IsObstacle(const QString& path, const QString& obstacle) {
  if (obstacle == "folder")
    return QFileInfo(path).isDir();
  struct stat status {};
  if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
    return false;
  return obstacle == "link" ? S_ISLNK(status.st_mode) : S_ISFIFO(status.st_mode);
}

bool RemoveObstacle(const QString& path, const QString& obstacle) {
  return obstacle == "folder" ? QDir(path).removeRecursively() : QFile::remove(path);
}

// A file elsewhere that a link may lead to; none of it may show up.
const QByteArray kElsewhere = "root:x:0:0:root:/root:/bin/sh\nsecret 31 17\n";

}  // namespace

class TestFailedRestore : public QObject {
  Q_OBJECT

 private slots:
  void CloseKeepsWhatCouldNotBeRead_data();
  void CloseKeepsWhatCouldNotBeRead();
};

void TestFailedRestore::CloseKeepsWhatCouldNotBeRead_data() {
  QTest::addColumn<QString>("unreadable");  // relative to the program folder
  QTest::addColumn<QString>("obstacle");
  QTest::newRow("a pipe at the side file") << "System/Numbers_Memo.txt"
                                           << "pipe";
  QTest::newRow("a pipe at settings.dat") << "settings.dat"
                                          << "pipe";
  // A folder at the side file's place is no side file at all, and no failed restore.
  QTest::newRow("a folder at settings.dat") << "settings.dat"
                                            << "folder";
  QTest::newRow("a link at the side file") << "System/Numbers_Memo.txt"
                                           << "link";
  QTest::newRow("a link at settings.dat") << "settings.dat"
                                          << "link";
}

void TestFailedRestore::CloseKeepsWhatCouldNotBeRead() {
  QFETCH(QString, unreadable);
  QFETCH(QString, obstacle);

  MainFormFixture f;
  QTemporaryDir elsewhere_folder;
  const QString elsewhere = elsewhere_folder.filePath("passwd");
  QVERIFY(WriteBytes(elsewhere, kElsewhere));
  const QString settings = f.folder.filePath("settings.dat");
  const QString memo_file = f.folder.filePath("System/Numbers_Memo.txt");
  const QString unreadable_path = f.folder.filePath(unreadable);
  for (const auto& [path, bytes] : {std::pair{settings, kSettings}, {memo_file, kNumbers}}) {
    if (path != unreadable_path)
      QVERIFY(WriteBytes(path, bytes));
  }
  QVERIFY(PutObstacle(unreadable_path, obstacle, elsewhere));

  TmainForm& form = f.OpenShown();
  QCOMPARE(f.recorder.Events().size(), 1);
  QVERIFY2(
      f.recorder.Events()[0].startsWith("error: Cannot open file \"" + unreadable_path + "\". "),
      qPrintable(f.recorder.Events()[0]));
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("100"));
  QVERIFY(!form.Debug_CheckBox->Checked());
  for (const QString& event : f.recorder.Events())
    QVERIFY2(!event.contains("root") && !event.contains("secret"), qPrintable(event));
  QVERIFY(!form.Numbers_Memo->Text().contains("root"));

  // The close goes through and replaces nothing that the restore could not read.
  f.recorder.Clear();
  QVERIFY(form.close());
  QCOMPARE(f.recorder.Events(), QStringList());
  QVERIFY(IsObstacle(unreadable_path, obstacle));
  QCOMPARE(ReadBytes(elsewhere), kElsewhere);
  if (unreadable_path != settings)
    QCOMPARE(ReadBytes(settings), kSettings);
  if (unreadable_path != memo_file)
    QCOMPARE(ReadBytes(memo_file), kNumbers);

  // Once the file can be read again, the next start finds everything as it was stored.
  QVERIFY(RemoveObstacle(unreadable_path, obstacle));
  QVERIFY(WriteBytes(unreadable_path, unreadable_path == settings ? kSettings : kNumbers));
  TmainForm& again = f.OpenShown();
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(again.Numbers_Memo->Text(), QString::fromUtf8(kNumbers));
  QCOMPARE(again.DotsPerPage_SE->Text(), QString("300"));
  QVERIFY(again.Debug_CheckBox->Checked());
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestFailedRestore)

#include "test_failed_restore.moc"
