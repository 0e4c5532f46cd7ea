#include <QRandomGenerator>
#include <QTest>

#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// A settings.dat edited by hand, damaged or replaced by something else: start-up never crashes,
// the window opens, every value that cannot be read keeps its default, every value that can is
// restored, and the number list is found under the box's own name when the file names none.

namespace {

const QByteArray kSection =
    "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=300\r\n"
    "Debug_CheckBox.Checked=1\r\n";

// Random bytes from a fixed seed, with NULs sprinkled in so that every run sees the same file
// and the file surely holds them.
QByteArray Garbage(quint32 seed, int size) {
  QRandomGenerator random(seed);
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i % 97 == 0 ? 0 : random.bounded(256));
  // Not a byte-order mark: the garbage is read as UTF-8 (the UTF-16 case has a row of its own).
  bytes[0] = 'G';
  return bytes;
}

constexpr int kTenMegabytes = 10 * 1024 * 1024;

// About 10 MB of ordinary text lines that belong to no key.
QByteArray TenMegabytesOfLines() {
  const QByteArray line =
      "; a long note written by hand, kept in the file for no reason at all\r\n";
  QByteArray text;
  text.reserve(kTenMegabytes + line.size());
  while (text.size() < kTenMegabytes)
    text += line;
  return text;
}

}  // namespace

class TestBadSettingsFile : public QObject {
  Q_OBJECT

 private slots:
  void StartUpKeepsDefaults_data();
  void StartUpKeepsDefaults();
  void SomethingElseInPlaceOfTheSideFile_data();
  void SomethingElseInPlaceOfTheSideFile();
};

void TestBadSettingsFile::StartUpKeepsDefaults_data() {
  QTest::addColumn<bool>("as_folder");  // settings.dat is a folder, not a file
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("spin");
  QTest::addColumn<QString>("memo");
  QTest::addColumn<bool>("checked");
  QTest::addColumn<QStringList>("events");

  // One case a line.
  const auto row = [](const char* name, bool as_folder, const QByteArray& bytes,
                      const QString& spin, const QString& memo, bool checked,
                      const QStringList& events) {
    QTest::newRow(name) << as_folder << bytes << spin << memo << checked << events;
  };

  // Every row has "5 12" in System/Numbers_Memo.txt; the box shows it whether settings.dat names
  // it or names no usable side file. Rebuilding "5 12", at start-up or for a restored points-per-
  // page value, has nothing to report.
  const QStringList restored;

  // The only case where the file cannot be read at all, so an error report is expected there
  // (checked in the test itself rather than through the events column).
  row("a folder", true, QByteArray(), "100", "", false, QStringList());

  row("binary garbage with NULs", false, Garbage(7, 64 * 1024), "100", "5 12", false, restored);
  row("binary garbage around a good section", false,
      Garbage(11, 32 * 1024) + "\r\n" + kSection + Garbage(13, 32 * 1024), "300", "5 12", true,
      restored);

  row("10 MB of text, then the section", false, TenMegabytesOfLines() + kSection, "300", "5 12",
      true, restored);
  row("a 10 MB number", false,
      "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=" +
          QByteArray(kTenMegabytes, '1') + "\r\nDebug_CheckBox.Checked=1\r\n",
      "100", "5 12", true, restored);
  // A name longer than a file name may be names no side file: the box reads the one under its
  // own name, and the value after it is still restored.
  row("a 10 MB side file name", false,
      "[mainForm]\r\nNumbers_Memo.File=" + QByteArray(kTenMegabytes, 'N') +
          "\r\nDotsPerPage_SE.Value=300\r\n",
      "300", "5 12", false, restored);
  // 252 characters and ".txt": one byte beyond the longest file name.
  row("a side file name one byte too long", false,
      "[mainForm]\r\nNumbers_Memo.File=" + QByteArray(252, 'N') +
          "\r\nDotsPerPage_SE.Value=300\r\n",
      "300", "5 12", false, restored);

  // The dangling last byte decodes as U+FFFD and spoils only the value it ends.
  row("UTF-16 with an odd byte count", false,
      Utf16Le("[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=300\r\n"
              "Debug_CheckBox.Checked=1") +
          "1",
      "300", "5 12", false, restored);
  row("UTF-16 with an odd byte count only", false, QByteArray("\xFF\xFE[", 3), "100", "5 12", false,
      restored);

  // Without "]" the section name runs to the end of its line.
  row("header without ], alone on its line", false,
      QByteArray("[mainForm\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=300\r\n"),
      "300", "5 12", false, restored);
  row("header without ], followed by a key on its line", false,
      QByteArray("[mainForm Numbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=300\r\n"
                 "Debug_CheckBox.Checked=1\r\n"),
      "100", "5 12", false, restored);
  row("header without ] at the very end", false, QByteArray("[mainForm"), "100", "5 12", false,
      restored);
}

void TestBadSettingsFile::StartUpKeepsDefaults() {
  QFETCH(bool, as_folder);
  QFETCH(QByteArray, bytes);
  QFETCH(QString, spin);
  QFETCH(QString, memo);
  QFETCH(bool, checked);
  QFETCH(QStringList, events);

  MainFormFixture f;
  const QString settings = f.folder.filePath("settings.dat");
  QVERIFY(WriteBytes(f.folder.filePath("System/Numbers_Memo.txt"), "5 12"));
  QVERIFY(as_folder ? QDir().mkpath(settings) : WriteBytes(settings, bytes));

  TmainForm& form = f.OpenShown();
  QVERIFY(form.isVisible());
  QCOMPARE(form.windowTitle(), QString("Tarvelon ver. 0.1"));
  QCOMPARE(form.DotsPerPage_SE->Text(), spin);
  QCOMPARE(form.Numbers_Memo->Text(), memo);
  QCOMPARE(form.Debug_CheckBox->Checked(), checked);

  if (as_folder) {
    // Nothing of it can be read: the one error report names it.
    QCOMPARE(f.recorder.Events().size(), 1);
    QVERIFY2(f.recorder.Events()[0].startsWith("error: Cannot open file \"" + settings + "\". "),
             qPrintable(f.recorder.Events()[0]));
    QVERIFY(QFileInfo(settings).isDir());
    return;
  }
  // A readable file is never reported as an error, whatever it holds.
  QCOMPARE(f.recorder.Events(), events);
  const QString expected_points = memo.isEmpty() ? QString() : QString("0:1:r 1:2:r");
  QCOMPARE(f.Points(), expected_points);
  // Reading changes nothing on disk.
  QVERIFY(ReadBytes(settings) == bytes);
}

// A folder where the side file belongs, or a file where its folder belongs: there is no side file
// to restore, so start-up goes on; the save cannot write it and says which file it could not
// create.
void TestBadSettingsFile::SomethingElseInPlaceOfTheSideFile_data() {
  QTest::addColumn<QString>("folder");  // made a folder, relative to the program folder
  QTest::addColumn<QString>("file");    // made a file
  QTest::newRow("a folder named like the side file") << "System/Numbers_Memo.txt/inside"
                                                     << "";
  QTest::newRow("a file named like its folder") << ""
                                                << "System";
}

void TestBadSettingsFile::SomethingElseInPlaceOfTheSideFile() {
  QFETCH(QString, folder);
  QFETCH(QString, file);
  MainFormFixture f;
  QVERIFY(WriteBytes(f.folder.filePath("settings.dat"), kSection));
  QVERIFY(folder.isEmpty() || QDir().mkpath(f.folder.filePath(folder)));
  QVERIFY(file.isEmpty() || WriteBytes(f.folder.filePath(file), "not a folder"));

  TmainForm& form = f.OpenShown();
  QCOMPARE(form.Numbers_Memo->Text(), QString());
  QCOMPARE(form.DotsPerPage_SE->Text(), QString("300"));
  QVERIFY(form.Debug_CheckBox->Checked());
  // Start-up ran to its end: the view and the zero line of its own steps.
  QCOMPARE(f.View(), qMakePair(0.0, 300.0));
  QVERIFY(f.ZeroLines() >= 1);
  QVERIFY(!f.recorder.Events().join('\n').contains("error"));

  f.recorder.Clear();
  QVERIFY(!form.close());
  const QString side_file = f.folder.filePath("System/Numbers_Memo.txt");
  QCOMPARE(f.recorder.Events().size(), 1);
  QVERIFY2(f.recorder.Events()[0].startsWith("error: Cannot create file \"" + side_file + "\". "),
           qPrintable(f.recorder.Events()[0]));
  QVERIFY(ReadBytes(f.folder.filePath("settings.dat")) == kSection);
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestBadSettingsFile)

#include "test_bad_settings_file.moc"
