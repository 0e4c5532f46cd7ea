#include <QRandomGenerator>
#include <QTest>

#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// settings.dat lost, damaged or naming no usable side file, while System/Numbers_Memo.txt still
// holds the numbers (as after a crash on the very first save, between the side file's
// replacement and settings.dat's). The list is found under the box's own name, and the next
// close writes it back instead of an empty box.

namespace {

const QByteArray kNumbers = "5 12 7 33 1 2 3 36 18 9";
const QString kPoints = "0:1:r 1:2:r 2:3:r 3:2:b 4:3:r 5:2:b 6:3:r 7:4:r 8:5:r 9:6:r";

QByteArray RandomBytes(quint32 seed, int size) {
  QRandomGenerator random(seed);
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(random.bounded(256));
  bytes[0] = 'R';  // no byte-order mark
  return bytes;
}

// UTF-16LE with its mark, cut after `keep` bytes.
QByteArray Utf16LeCut(const QString& text, int keep) {
  QByteArray bytes("\xFF\xFE", 2);
  bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  return bytes.left(keep);
}

QByteArray MainSection(const QByteArray& file_line, const QByteArray& value) {
  return "[mainForm]\r\n" + file_line + "DotsPerPage_SE.Value=" + value +
         "\r\nDebug_CheckBox.Checked=0\r\n";
}

}  // namespace

class TestLostSettingsFile : public QObject {
  Q_OBJECT

 private slots:
  void ListFoundByOwnName_data();
  void ListFoundByOwnName();
};

void TestLostSettingsFile::ListFoundByOwnName_data() {
  QTest::addColumn<bool>("has_settings");
  QTest::addColumn<QByteArray>("settings");
  QTest::addColumn<QString>("spin");

  QTest::newRow("no settings.dat") << false << QByteArray() << "100";
  QTest::newRow("16 random bytes") << true << RandomBytes(16, 16) << "100";
  const QString utf16 = QString::fromUtf8(MainSection("Numbers_Memo.File=Numbers_Memo\r\n", "300"));
  // Cut inside "Numbers_Memo.File=Numbers_Memo": the value reads "Numbers_M".
  const int inside_value = 2 + 2 * static_cast<int>(utf16.indexOf("=Numbers_Memo") + 10);
  QTest::newRow("UTF-16 cut inside the File line")
      << true << Utf16LeCut(utf16, inside_value) << "100";
  QTest::newRow("File key missing") << true << MainSection("", "300") << "300";
  QTest::newRow("File key empty") << true << MainSection("Numbers_Memo.File=\r\n", "300") << "300";
  QTest::newRow("File names a missing file")
      << true << MainSection("Numbers_Memo.File=Gone\r\n", "300") << "300";
  QTest::newRow("File not a plain base name")
      << true << MainSection("Numbers_Memo.File=../Numbers_Memo\r\n", "300") << "300";
}

void TestLostSettingsFile::ListFoundByOwnName() {
  QFETCH(bool, has_settings);
  QFETCH(QByteArray, settings);
  QFETCH(QString, spin);

  MainFormFixture f;
  const QString settings_path = f.folder.filePath("settings.dat");
  const QString memo_path = f.folder.filePath("System/Numbers_Memo.txt");
  QVERIFY(WriteBytes(memo_path, kNumbers));
  if (has_settings)
    QVERIFY(WriteBytes(settings_path, settings));

  TmainForm& form = f.OpenShown();
  QCOMPARE(form.Numbers_Memo->Text(), QString::fromUtf8(kNumbers));
  QCOMPARE(form.DotsPerPage_SE->Text(), spin);
  QCOMPARE(f.Points(), kPoints);
  // Good numbers and a restored or design value: nothing to report, not even a beep.
  QCOMPARE(f.recorder.Events(), QStringList());
  // The restore alone writes nothing.
  QCOMPARE(QFileInfo::exists(settings_path), has_settings);

  QVERIFY(form.close());
  QCOMPARE(ReadBytes(memo_path), kNumbers);
  // A start with only the side file saves as a start with the usual settings file would.
  if (!has_settings) {
    QCOMPARE(ReadBytes(settings_path),
             MainSection("Numbers_Memo.File=Numbers_Memo\r\n", spin.toUtf8()));
  }
  // The next start finds the list the usual way.
  f.recorder.Clear();
  TmainForm& again = f.OpenShown();
  QCOMPARE(again.Numbers_Memo->Text(), QString::fromUtf8(kNumbers));
  QCOMPARE(again.DotsPerPage_SE->Text(), spin);
  QCOMPARE(f.recorder.Events(), QStringList());
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestLostSettingsFile)

#include "test_lost_settings_file.moc"
