#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>

#include "long_path.h"
#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// The program's files as other hands leave them: links at the names the save writes to, a
// program folder so deep that its files' paths pass the system's limit on a path, and a list
// written by another program in another encoding. Each time the window starts and closes as
// usual, nothing outside the program folder changes, and nothing the user had is lost.

namespace {

const QByteArray kSettings =
    "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=300\r\n"
    "Debug_CheckBox.Checked=0\r\n";
const QByteArray kElsewhere = "not the program's file\n";

}  // namespace

class TestForeignFiles : public QObject {
  Q_OBJECT

 private slots:
  void NothingElsewhereIsWritten_data();
  void NothingElsewhereIsWritten();
  void SystemFolderThatIsALinkIsUsed();
  void LinkToNoFileAtSettingsIsLeftAlone();
  void DeepProgramFolderRestoresAndSaves();
  void UndecodableListKeptBeside_data();
  void UndecodableListKeptBeside();
};

void TestForeignFiles::NothingElsewhereIsWritten_data() {
  QTest::addColumn<QString>("name");  // relative to the program folder
  QTest::addColumn<bool>("hard");     // else a symbolic link
  QTest::newRow("a hard link at the side file's temporary")
      << "System/Numbers_Memo.txt.tmp" << true;
  QTest::newRow("a symbolic link at the side file's temporary")
      << "System/Numbers_Memo.txt.tmp" << false;
  QTest::newRow("a hard link at settings.dat's temporary") << "settings.dat.tmp" << true;
  QTest::newRow("a symbolic link at settings.dat's temporary") << "settings.dat.tmp" << false;
}

void TestForeignFiles::NothingElsewhereIsWritten() {
  QFETCH(QString, name);
  QFETCH(bool, hard);
  MainFormFixture f;
  QTemporaryDir elsewhere_folder;
  const QString elsewhere = elsewhere_folder.filePath("elsewhere.txt");
  QVERIFY(WriteBytes(elsewhere, kElsewhere));
  QVERIFY(WriteBytes(f.Settings(), kSettings));
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "5 12"));
  const QByteArray link = QFile::encodeName(f.folder.filePath(name));
  const QByteArray target = QFile::encodeName(elsewhere);
  QVERIFY((hard ? ::link(target, link) : ::symlink(target, link)) == 0);

  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->SetText("5 12 7");
  QVERIFY(form.close());
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(ReadBytes(elsewhere), kElsewhere);
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), QByteArray("5 12 7"));
  QVERIFY(ReadBytes(f.Settings()).contains("DotsPerPage_SE.Value=300"));
  QVERIFY(!QFileInfo::exists(f.folder.filePath(name)));
}

// The user may keep the lists elsewhere and put a link to that folder in the program folder.
void TestForeignFiles::SystemFolderThatIsALinkIsUsed() {
  MainFormFixture f;
  QTemporaryDir lists;
  QVERIFY(WriteBytes(f.Settings(), kSettings));
  QVERIFY(WriteBytes(lists.filePath("Numbers_Memo.txt"), "5 12"));
  QVERIFY(QFile::link(lists.path(), f.folder.filePath("System")));

  TmainForm& form = f.OpenShown();
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12"));
  form.Numbers_Memo->SetText("5 12 7");
  QVERIFY(form.close());
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(ReadBytes(lists.filePath("Numbers_Memo.txt")), QByteArray("5 12 7"));
  QVERIFY(QFileInfo(f.folder.filePath("System")).isSymLink());
}

// A link at settings.dat that leads nowhere yet is still no file of the program's: the start
// reports it as a file it cannot read, the close goes through and writes nothing through it.
void TestForeignFiles::LinkToNoFileAtSettingsIsLeftAlone() {
  MainFormFixture f;
  QTemporaryDir elsewhere_folder;
  const QString elsewhere = elsewhere_folder.filePath("settings.dat");
  QVERIFY(QFile::link(elsewhere, f.Settings()));

  TmainForm& form = f.OpenShown();
  QCOMPARE(f.recorder.Events().size(), 1);
  QVERIFY2(f.recorder.Events()[0].startsWith("error: Cannot open file \"" + f.Settings() + "\". "),
           qPrintable(f.recorder.Events()[0]));
  f.recorder.Clear();
  QVERIFY(form.close());
  QCOMPARE(f.recorder.Events(), QStringList());
  QVERIFY(QFileInfo(f.Settings()).isSymLink());
  QVERIFY(!QFileInfo::exists(elsewhere));
}

void TestForeignFiles::DeepProgramFolderRestoresAndSaves() {
  MainFormFixture f;
  const long_path::RemovedAtEnd removed{f.folder.path()};
  const QString folder = long_path::MakeFolderOfLength(f.folder.path(), 4080);
  QCOMPARE(folder.size(), 4080);
  base::SetProgramFolderForTesting(folder.toStdString());
  const QString memo_file = folder + "/System/Numbers_Memo.txt";
  QVERIFY(QFile::encodeName(memo_file + ".tmp").size() >= PATH_MAX);
  QVERIFY(long_path::Write(folder + "/settings.dat", kSettings));
  QVERIFY(long_path::Write(memo_file, "5 12"));

  TmainForm& form = f.OpenShown();
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(form.Numbers_Memo->Text(), QString("5 12"));
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("300"));
  QCOMPARE(f.Points(), QString("0:1:r 1:2:r"));

  form.Numbers_Memo->SetText("5 12 7");
  form.DotsPerPage_SE->SetValue(400);
  f.recorder.Clear();
  QVERIFY(form.close());
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(long_path::Read(memo_file), QByteArray("5 12 7"));
  QVERIFY(long_path::Read(folder + "/settings.dat").contains("DotsPerPage_SE.Value=400\r\n"));

  // And the next start finds it all.
  TmainForm& again = f.OpenShown();
  QCOMPARE(f.recorder.Events(), QStringList());
  QCOMPARE(again.Numbers_Memo->Text(), QString("5 12 7"));
  QCOMPARE(again.DotsPerPage_SE->Text(), QString("400"));
  f.form.reset();
}

void TestForeignFiles::UndecodableListKeptBeside_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("kept");
  // "5 12 Комментарий 7", the word in a single-byte Cyrillic encoding.
  QTest::newRow("a cp1251 comment")
      << QByteArray("5 12 \xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9 7") << true;
  QTest::newRow("valid utf-8") << QByteArray("5 12 Комментарий 7") << false;
}

void TestForeignFiles::UndecodableListKeptBeside() {
  QFETCH(QByteArray, bytes);
  QFETCH(bool, kept);
  MainFormFixture f;
  const QString memo_file = f.folder.filePath("System/Numbers_Memo.txt");
  const QString original = memo_file + ".orig";
  QVERIFY(WriteBytes(f.Settings(), kSettings));
  QVERIFY(WriteBytes(memo_file, bytes));

  // The word is no number: the start reports it and takes it out, the numbers before it stay.
  TmainForm& form = f.OpenShown();
  QCOMPARE(f.recorder.Events().size(), 1);
  QVERIFY(form.Numbers_Memo->Text().startsWith("5 12 "));
  QVERIFY(form.close());
  QCOMPARE(ReadBytes(original), kept ? bytes : QByteArray("<missing>"));
  QCOMPARE(QString::fromUtf8(ReadBytes(memo_file)), form.Numbers_Memo->Text());

  // Later starts and closes never touch what was kept.
  TmainForm& again = f.OpenShown();
  again.Numbers_Memo->SetText("1 2 3");
  QVERIFY(again.close());
  QCOMPARE(ReadBytes(memo_file), QByteArray("1 2 3"));
  QCOMPARE(ReadBytes(original), kept ? bytes : QByteArray("<missing>"));
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestForeignFiles)

#include "test_foreign_files.moc"
