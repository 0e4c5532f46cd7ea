#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include "test_files.h"
#include "uAccessory/profile.h"

// The whole program runs under a German system locale (see initMain), so floats use ',' and a
// reliance on '.' would show.
class TestProfile : public QObject {
  Q_OBJECT

 public:
  // Called by Qt Test before the application exists, so the system locale is read from it.
  static void initMain() { qputenv("LC_ALL", "de_DE.UTF-8"); }

 private slots:
  void initTestCase();
  void init();

  void ReadsAString_data();
  void ReadsAString();
  void MissingFileGivesTheDefault();
  void WritesAString_data();
  void WritesAString();
  void ErasesASection_data();
  void ErasesASectionKeepingKeys_data();
  void ErasesASectionKeepingKeys();
  void ErasesASection();
  void EraseOfNothingWritesNothing();
  void WritesTheExampleSection_data();
  void WritesTheExampleSection();
  void ReadsIntegers_data();
  void ReadsIntegers();
  void ReadsBooleans_data();
  void ReadsBooleans();
  void WritesTypedValues();
  void FloatsUseTheLocale_data();
  void FloatsUseTheLocale();
  void TimesUseTheLongTimeFormat();
  void BadTimeRaises();
  void LongValueSurvivesWhole();
  void KeepsNoCopyBetweenCalls();
  void FailedReplacementRaisesAndKeepsTheFile();
  void UnreadableFileRaises();
  void BatchWritesOnceOnClose();

 private:
  QString Path() const { return dir_->filePath("settings.dat"); }
  std::unique_ptr<QTemporaryDir> dir_;
};

void TestProfile::initTestCase() {
  if (QLocale::system().decimalPoint() != QStringLiteral(","))
    qFatal("the German system locale did not take effect");
}

void TestProfile::init() {
  dir_ = std::make_unique<QTemporaryDir>();
}

void TestProfile::ReadsAString_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QString>("section");
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("expected");  // the default is "dflt"

  const QString d = "dflt";
  QTest::newRow("crlf") << QByteArray("[s]\r\nk=v\r\n") << "s"
                        << "k"
                        << "v";
  QTest::newRow("lf") << QByteArray("[s]\nk=v\n") << "s"
                      << "k"
                      << "v";
  QTest::newRow("lone cr") << QByteArray("[s]\rk=v\r") << "s"
                           << "k"
                           << "v";
  QTest::newRow("no final break") << QByteArray("[s]\r\nk=v") << "s"
                                  << "k"
                                  << "v";
  QTest::newRow("blanks before [ and key") << QByteArray(" \t[s]\r\n \tk=v\r\n") << "s"
                                           << "k"
                                           << "v";
  QTest::newRow("header without ]") << QByteArray("[s\r\nk=v\r\n") << "s"
                                    << "k"
                                    << "v";
  QTest::newRow("text after ]") << QByteArray("[s] x]y\r\nk=v\r\n") << "s"
                                << "k"
                                << "v";
  QTest::newRow("section name trimmed") << QByteArray("[ \ts  ]\r\nk=v\r\n") << "s"
                                        << "k"
                                        << "v";
  QTest::newRow("empty section name") << QByteArray("[]\r\nk=v\r\n") << ""
                                      << "k"
                                      << "v";
  QTest::newRow("key and value trimmed") << QByteArray("[s]\r\n  k \t=  v w \t\r\n") << "s"
                                         << "k"
                                         << "v w";
  QTest::newRow("split at first =") << QByteArray("[s]\r\nk=a=b\r\n") << "s"
                                    << "k"
                                    << "a=b";
  QTest::newRow("line without =") << QByteArray("[s]\r\nk\r\n") << "s"
                                  << "k" << d;
  QTest::newRow("comment") << QByteArray("[s]\r\n;k=v\r\n") << "s"
                           << "k" << d;
  QTest::newRow("indented comment") << QByteArray("[s]\r\n \t;k=v\r\n") << "s"
                                    << "k" << d;
  QTest::newRow("; and # inside") << QByteArray("[s]\r\nk=v;x#y\r\n") << "s"
                                  << "k"
                                  << "v;x#y";
  QTest::newRow("# starts a key") << QByteArray("[s]\r\n#k=v\r\n") << "s"
                                  << "#k"
                                  << "v";
  QTest::newRow("key before any section") << QByteArray("k=v\r\n[s]\r\n") << "s"
                                          << "k" << d;
  QTest::newRow("section case") << QByteArray("[MainForm]\r\nKey=v\r\n") << "mAINfORM"
                                << "kEY"
                                << "v";
  QTest::newRow("cyrillic case") << QByteArray("[Форма]\r\nКлюч=v\r\n") << "ФОРМА"
                                 << "ключ"
                                 << "v";
  QTest::newRow("asked names trimmed") << QByteArray("[s]\r\nk=v\r\n") << " s "
                                       << " k "
                                       << "v";
  QTest::newRow("first section only") << QByteArray("[s]\r\na=1\r\n[S]\r\nk=2\r\n") << "s"
                                      << "k" << d;
  QTest::newRow("first of two sections") << QByteArray("[s]\r\nk=1\r\n[s]\r\nk=2\r\n") << "s"
                                         << "k"
                                         << "1";
  QTest::newRow("first key wins") << QByteArray("[s]\r\nk=1\r\nK=2\r\n") << "s"
                                  << "k"
                                  << "1";
  QTest::newRow("key of the right section") << QByteArray("[a]\r\nk=1\r\n[b]\r\nk=2\r\n") << "b"
                                            << "k"
                                            << "2";
  QTest::newRow("missing section") << QByteArray("[a]\r\nk=1\r\n") << "b"
                                   << "k" << d;
  QTest::newRow("missing key") << QByteArray("[a]\r\nk=1\r\n") << "a"
                               << "j" << d;
  QTest::newRow("empty value") << QByteArray("[s]\r\nk=\r\n") << "s"
                               << "k"
                               << "";
  QTest::newRow("double quotes") << QByteArray("[s]\r\nk=\" v \"\r\n") << "s"
                                 << "k"
                                 << " v ";
  QTest::newRow("single quotes") << QByteArray("[s]\r\nk='v'\r\n") << "s"
                                 << "k"
                                 << "v";
  QTest::newRow("mixed quotes kept") << QByteArray("[s]\r\nk=\"v'\r\n") << "s"
                                     << "k"
                                     << "\"v'";
  QTest::newRow("one quote kept") << QByteArray("[s]\r\nk=\"\r\n") << "s"
                                  << "k"
                                  << "\"";
  QTest::newRow("empty quotes") << QByteArray("[s]\r\nk=\"\"\r\n") << "s"
                                << "k"
                                << "";
  QTest::newRow("one pair only") << QByteArray("[s]\r\nk=\"\"v\"\"\r\n") << "s"
                                 << "k"
                                 << "\"v\"";
  QTest::newRow("quotes after trimming") << QByteArray("[s]\r\nk=  'v'  \r\n") << "s"
                                         << "k"
                                         << "v";
  QTest::newRow("utf-8 mark") << Utf8Mark("[s]\r\nk=Привет\r\n") << "s"
                              << "k"
                              << "Привет";
  QTest::newRow("utf-16le") << Utf16Le("[s]\r\nk=Привет 🎲\r\n") << "s"
                            << "k"
                            << "Привет 🎲";
  QTest::newRow("utf-16be") << Utf16Be("[s]\nk=Привет\n") << "s"
                            << "k"
                            << "Привет";
  QTest::newRow("invalid utf-8") << QByteArray(
                                        "[s]\r\nk=a\xFF"
                                        "b\r\n")
                                 << "s"
                                 << "k"
                                 << "a" + QString(QChar(0xFFFD)) + "b";
  QTest::newRow("empty file") << QByteArray("") << "s"
                              << "k" << d;
}

void TestProfile::ReadsAString() {
  QFETCH(QByteArray, file);
  QFETCH(QString, section);
  QFETCH(QString, key);
  QFETCH(QString, expected);
  WriteBytes(Path(), file);
  QCOMPARE(TProfileFile(Path()).ReadString(section, key, "dflt"), expected);
}

void TestProfile::MissingFileGivesTheDefault() {
  TProfileFile profile(Path());
  QCOMPARE(profile.ReadString("s", "k", "dflt"), QString("dflt"));
  QCOMPARE(profile.ReadInteger("s", "k", 17), 17);
  QCOMPARE(profile.ReadBool("s", "k", true), true);
  QCOMPARE(profile.ReadFloat("s", "k", 2.5), 2.5);
  QVERIFY(!QFile::exists(Path()));
}

void TestProfile::WritesAString_data() {
  QTest::addColumn<bool>("exists");
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QString>("section");
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QByteArray>("expected");

  // One row a line: the file as it was (none for a new file), the key written, the file after.
  const auto new_file = [](const char* row, const QString& section, const QString& key,
                           const QString& value, const QByteArray& expected) {
    QTest::newRow(row) << false << QByteArray() << section << key << value << expected;
  };
  const auto in_file = [](const char* row, const QByteArray& file, const QString& section,
                          const QString& key, const QString& value, const QByteArray& expected) {
    QTest::newRow(row) << true << file << section << key << value << expected;
  };

  new_file("new file", "s", "k", "v", QByteArray("[s]\r\nk=v\r\n"));
  new_file("new file, names trimmed", " s\t", " k ", " v ", QByteArray("[s]\r\nk= v \r\n"));
  in_file("empty file", QByteArray(""), "s", "k", "v", QByteArray("[s]\r\nk=v\r\n"));
  in_file("in place, spelling kept", QByteArray("; c\r\n[S]\n  KEY = old \nx=1\n"), "s", "key",
          "new", QByteArray("; c\r\n[S]\nKEY=new\nx=1\n"));
  in_file("in place, last line without break", QByteArray("[s]\r\nk=1"), "s", "k", "2",
          QByteArray("[s]\r\nk=2"));
  in_file("in place, first section only", QByteArray("[s]\r\nk=1\r\n[s]\r\nk=2\r\n"), "s", "k", "9",
          QByteArray("[s]\r\nk=9\r\n[s]\r\nk=2\r\n"));
  in_file("after the last key, comments stay below",
          QByteArray("[s]\r\na=1\r\n\r\n; next\r\n[t]\r\nb=1\r\n"), "s", "b", "2",
          QByteArray("[s]\r\na=1\r\nb=2\r\n\r\n; next\r\n[t]\r\nb=1\r\n"));
  in_file("after the header when no key", QByteArray("[s]\r\n; c\r\n"), "s", "k", "v",
          QByteArray("[s]\r\nk=v\r\n; c\r\n"));
  in_file("after a last key without break", QByteArray("[s]\r\na=1"), "s", "k", "v",
          QByteArray("[s]\r\na=1\r\nk=v\r\n"));
  in_file("after a header without break", QByteArray("[s]"), "s", "k", "v",
          QByteArray("[s]\r\nk=v\r\n"));
  in_file("foreign line stays below", QByteArray("[s]\r\na=1\r\nforeign\r\n"), "s", "k", "v",
          QByteArray("[s]\r\na=1\r\nk=v\r\nforeign\r\n"));
  in_file("section appended", QByteArray("[a]\r\nx=1\r\n\r\n"), "s", "k", "v",
          QByteArray("[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n"));
  in_file("section appended after a line without break", QByteArray("[a]\r\nx=1"), "s", "k", "v",
          QByteArray("[a]\r\nx=1\r\n[s]\r\nk=v\r\n"));
  in_file("lf lines kept, new lines crlf", QByteArray("[a]\nx=1\n"), "s", "k", "v",
          QByteArray("[a]\nx=1\n[s]\r\nk=v\r\n"));
  in_file("keys before any section untouched", QByteArray("k=old\r\n[s]\r\n"), "s", "k", "new",
          QByteArray("k=old\r\n[s]\r\nk=new\r\n"));
  in_file("invalid bytes elsewhere kept",
          QByteArray("[a]\r\nj\xFF\xC0=\xED\xA0\x80\r\n[s]\r\nk=1\r\n"), "s", "k", "2",
          QByteArray("[a]\r\nj\xFF\xC0=\xED\xA0\x80\r\n[s]\r\nk=2\r\n"));
  in_file("line breaks become spaces", QByteArray("[s]\r\nk=1\r\n"), "s", "k", "a\r\nb\nc\rd",
          QByteArray("[s]\r\nk=a b c d\r\n"));
  new_file("cyrillic value", "Форма", "Ключ", "Жёлтый", QByteArray("[Форма]\r\nКлюч=Жёлтый\r\n"));
  in_file("utf-8 mark kept", Utf8Mark("[s]\r\nk=1\r\n"), "s", "k", "Ж", Utf8Mark("[s]\r\nk=Ж\r\n"));
  in_file("utf-16le stays utf-16le", Utf16Le("[a]\r\nx=Я\r\n[s]\r\nk=1\r\n"), "s", "k", "Ж🎲",
          Utf16Le("[a]\r\nx=Я\r\n[s]\r\nk=Ж🎲\r\n"));
  in_file("utf-16le new section", Utf16Le("[a]\r\nx=1"), "s", "k", "v",
          Utf16Le("[a]\r\nx=1\r\n[s]\r\nk=v\r\n"));
  in_file("utf-16be inserted key", Utf16Be("[s]\r\na=1\r\n"), "s", "k", "v",
          Utf16Be("[s]\r\na=1\r\nk=v\r\n"));
  // A dangling odd byte becomes the replacement character, so the appended lines stay aligned.
  in_file("utf-16le with an odd byte count", Utf16Le("[a]\r\nx=1") + QByteArray("\x41", 1), "s",
          "k", "v", Utf16Le(QStringLiteral("[a]\r\nx=1\uFFFD\r\n[s]\r\nk=v\r\n")));
}

void TestProfile::WritesAString() {
  QFETCH(bool, exists);
  QFETCH(QByteArray, file);
  QFETCH(QString, section);
  QFETCH(QString, key);
  QFETCH(QString, value);
  QFETCH(QByteArray, expected);
  if (exists)
    WriteBytes(Path(), file);
  TProfileFile profile(Path());
  profile.WriteString(section, key, value);
  QCOMPARE(ReadBytes(Path()), expected);
  QCOMPARE(
      QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
      QStringList{"settings.dat"});
}

void TestProfile::ErasesASection_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QString>("section");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("keys go, comments and blanks stay")
      << QByteArray("[a]\r\nx=1\r\n[s]\r\nk=1\r\n; c\r\n\r\nj=2\r\n[b]\r\ny=2\r\n") << "s"
      << QByteArray("[a]\r\nx=1\r\n; c\r\n\r\n[b]\r\ny=2\r\n");
  QTest::newRow("first section only")
      << QByteArray("[s]\r\na=1\r\n[s]\r\nb=2\r\n") << "s" << QByteArray("[s]\r\nb=2\r\n");
  QTest::newRow("case and blanks")
      << QByteArray("  [ MainForm ]\r\nk=1\r\n") << "mainform" << QByteArray("");
  QTest::newRow("foreign lines stay")
      << QByteArray("[s]\r\nforeign\r\nk=1\r\n") << "s" << QByteArray("foreign\r\n");
  QTest::newRow("last line without break")
      << QByteArray("[a]\r\n[s]\r\nk=1") << "s" << QByteArray("[a]\r\n");
  QTest::newRow("utf-16le") << Utf16Le("[s]\r\nk=1\r\n[t]\r\nk=2\r\n") << "s"
                            << Utf16Le("[t]\r\nk=2\r\n");
}

void TestProfile::ErasesASection() {
  QFETCH(QByteArray, file);
  QFETCH(QString, section);
  QFETCH(QByteArray, expected);
  WriteBytes(Path(), file);
  TProfileFile(Path()).EraseSection(section);
  QCOMPARE(ReadBytes(Path()), expected);
}

void TestProfile::ErasesASectionKeepingKeys_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QByteArray>("expected");

  // The kept keys are those that start with "keep", in any case.
  QTest::newRow("kept lines stay byte for byte, with the header")
      << QByteArray("[a]\r\nx=1\r\n[s]\r\nk=1\r\n  KEEP.v = '2' \r\n; c\r\nj=3\r\n[b]\r\n")
      << QByteArray("[a]\r\nx=1\r\n[s]\r\n  KEEP.v = '2' \r\n; c\r\n[b]\r\n");
  QTest::newRow("nothing kept: as a plain erase")
      << QByteArray("[s]\r\nk=1\r\n[b]\r\n") << QByteArray("[b]\r\n");
  QTest::newRow("kept key on the last line without break")
      << QByteArray("[s]\r\nk=1\r\nkeep=2") << QByteArray("[s]\r\nkeep=2");
}

void TestProfile::ErasesASectionKeepingKeys() {
  QFETCH(QByteArray, file);
  QFETCH(QByteArray, expected);
  WriteBytes(Path(), file);
  TProfileFile(Path()).EraseSection("s", [](QStringView key) {
    return key.startsWith(QStringLiteral("keep"), Qt::CaseInsensitive);
  });
  QCOMPARE(ReadBytes(Path()), expected);
}

void TestProfile::EraseOfNothingWritesNothing() {
  TProfileFile profile(Path());
  profile.EraseSection("s");
  QVERIFY(!QFile::exists(Path()));

  // With the temporary file's place taken, any rewrite would fail: none may be attempted.
  const QByteArray file("[a]\r\nk=1\r\n");
  WriteBytes(Path(), file);
  QVERIFY(QDir().mkdir(Path() + ".tmp"));
  QCOMPARE(ErrorOf([&] { profile.EraseSection("s"); }), QString());
  QCOMPARE(ReadBytes(Path()), file);
}

void TestProfile::WritesTheExampleSection_data() {
  QTest::addColumn<bool>("exists");
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QByteArray>("expected");

  const QByteArray section(
      "[mainForm]\r\n"
      "Numbers_Memo.File=Numbers_Memo\r\n"
      "DotsPerPage_SE.Value=100\r\n"
      "Debug_CheckBox.Checked=0\r\n");
  QTest::newRow("first save") << false << QByteArray() << section;
  QTest::newRow("saved again") << true << section << section;
  QTest::newRow("other sections stay, mainForm moves to the end")
      << true
      << QByteArray("[mainForm]\r\nDotsPerPage_SE.Value=7\r\n[AboutForm]\r\nEdit1.Text=x\r\n")
      << QByteArray("[AboutForm]\r\nEdit1.Text=x\r\n") + section;
}

void TestProfile::WritesTheExampleSection() {
  QFETCH(bool, exists);
  QFETCH(QByteArray, file);
  QFETCH(QByteArray, expected);
  if (exists)
    WriteBytes(Path(), file);
  TProfileFile profile;
  profile.Open(Path());
  profile.EraseSection("mainForm");
  profile.WriteString("mainForm", "Numbers_Memo.File", "Numbers_Memo");
  profile.WriteInteger("mainForm", "DotsPerPage_SE.Value", 100);
  profile.WriteBool("mainForm", "Debug_CheckBox.Checked", false);
  profile.Close();
  QCOMPARE(ReadBytes(Path()), expected);
}

void TestProfile::ReadsIntegers_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<int>("expected");  // the default is 7

  // One case a line.
  const auto row = [](const char* name, const QString& stored, int expected) {
    QTest::newRow(name) << stored << expected;
  };

  row("decimal", "100", 100);
  row("negative", "-5", -5);
  row("0x1F", "0x1F", 31);
  row("$1F", "$1F", 31);
  row("quoted", "\"42\"", 42);
  row("12abc", "12abc", 7);
  row("empty", "", 7);
  row("too big", "2147483648", 7);
  row("float", "1,5", 7);
}

void TestProfile::ReadsIntegers() {
  QFETCH(QString, stored);
  QFETCH(int, expected);
  WriteBytes(Path(), ("[s]\r\nk=" + stored + "\r\n").toUtf8());
  QCOMPARE(TProfileFile(Path()).ReadInteger("s", "k", 7), expected);
}

void TestProfile::ReadsBooleans_data() {
  QTest::addColumn<QString>("stored");  // empty: no key at all
  QTest::addColumn<bool>("default_value");
  QTest::addColumn<bool>("expected");

  // One case a line.
  const auto row = [](const char* name, const QString& stored, bool default_value, bool expected) {
    QTest::newRow(name) << stored << default_value << expected;
  };

  row("1", "k=1", false, true);
  row("0", "k=0", true, false);
  row("any non-zero", "k=-2", false, true);
  row("hex zero", "k=$0", true, false);
  row("unparsable, default true", "k=yes", true, true);
  row("unparsable, default false", "k=yes", false, false);
  row("missing, default true", "", true, true);
  row("missing, default false", "", false, false);
}

void TestProfile::ReadsBooleans() {
  QFETCH(QString, stored);
  QFETCH(bool, default_value);
  QFETCH(bool, expected);
  WriteBytes(Path(), ("[s]\r\n" + stored + "\r\n").toUtf8());
  QCOMPARE(TProfileFile(Path()).ReadBool("s", "k", default_value), expected);
}

void TestProfile::WritesTypedValues() {
  TProfileFile profile(Path());
  profile.WriteInteger("s", "i", -2147483647 - 1);
  profile.WriteBool("s", "t", true);
  profile.WriteBool("s", "f", false);
  QCOMPARE(ReadBytes(Path()), QByteArray("[s]\r\ni=-2147483648\r\nt=1\r\nf=0\r\n"));
  QCOMPARE(profile.ReadInteger("s", "i", 0), -2147483647 - 1);
  QCOMPARE(profile.ReadBool("s", "t", false), true);
  QCOMPARE(profile.ReadBool("s", "f", true), false);
}

void TestProfile::FloatsUseTheLocale_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<QString>("written");

  // One case a line.
  const auto row = [](const char* name, double value, const QString& written) {
    QTest::newRow(name) << value << written;
  };

  row("fraction", 1.5, "1,5");
  row("negative", -0.25, "-0,25");
  row("whole", 100.0, "100");
  row("no group separator", 1234567.5, "1234567,5");
  row("15 significant digits", 0.1 + 0.2, "0,3");
  row("pi", 3.14159265358979323846, "3,14159265358979");
  row("large", 1.5e20, "1,5E+20");
  row("small", 1e-7, "1E-07");
}

void TestProfile::FloatsUseTheLocale() {
  QFETCH(double, value);
  QFETCH(QString, written);
  TProfileFile profile(Path());
  profile.WriteFloat("s", "x", value);
  QCOMPARE(ReadBytes(Path()), ("[s]\r\nx=" + written + "\r\n").toUtf8());
  QCOMPARE(profile.ReadFloat("s", "x", -1), written.replace(',', '.').toDouble());
}

void TestProfile::TimesUseTheLongTimeFormat() {
  QVERIFY(!LongTimeFormat().contains('t'));
  TProfileFile profile(Path());
  profile.WriteTime("s", "t", QTime(13, 4, 5, 678));
  QCOMPARE(ReadBytes(Path()), QByteArray("[s]\r\nt=13:04:05\r\n"));
  QCOMPARE(profile.ReadTime("s", "t", QTime(1, 1, 1)), QTime(13, 4, 5));
  QCOMPARE(profile.ReadTime("s", "missing", QTime(9, 8, 7)), QTime(9, 8, 7));
}

void TestProfile::BadTimeRaises() {
  WriteBytes(Path(), "[s]\r\nt=25:99\r\nu=\r\n");
  TProfileFile profile(Path());
  QCOMPARE(ErrorOf([&] { profile.ReadTime("s", "t", QTime(1, 1, 1)); }),
           QString("'25:99' is not a valid time"));
  QCOMPARE(ErrorOf([&] { profile.ReadTime("s", "u", QTime(1, 1, 1)); }),
           QString("'' is not a valid time"));
}

void TestProfile::LongValueSurvivesWhole() {
  QString value;
  for (int i = 0; value.size() < 5000; ++i)
    value += QString::fromUtf8(i % 3 == 0 ? "Ж" : i % 3 == 1 ? "z" : "🎲");
  value.truncate(5000);
  if (value.back().isHighSurrogate())
    value.chop(1);
  TProfileFile profile(Path());
  profile.WriteString("s", "k", "short");
  profile.WriteString("s", "k", value);
  profile.WriteString("s", "after", "1");
  QCOMPARE(profile.ReadString("s", "k", QString()), value);
  QCOMPARE(profile.ReadString("s", "after", QString()), QString("1"));
}

void TestProfile::KeepsNoCopyBetweenCalls() {
  TProfileFile profile(Path());
  profile.WriteString("s", "k", "mine");
  WriteBytes(Path(), "[s]\r\nk=changed outside\r\n");
  QCOMPARE(profile.ReadString("s", "k", QString()), QString("changed outside"));
  profile.WriteString("s", "j", "1");
  QCOMPARE(ReadBytes(Path()), QByteArray("[s]\r\nk=changed outside\r\nj=1\r\n"));
}

void TestProfile::FailedReplacementRaisesAndKeepsTheFile() {
  const QByteArray file("[mainForm]\r\nk=1\r\n");
  WriteBytes(Path(), file);
  // Root ignores permission bits: a folder where the temporary file must go blocks the write.
  QVERIFY(QDir().mkdir(Path() + ".tmp"));
  TProfileFile profile(Path());
  const QString expected = "Unable to write to " + Path();
  QCOMPARE(ErrorOf([&] { profile.WriteString("mainForm", "k", "2"); }), expected);
  QCOMPARE(ErrorOf([&] { profile.WriteInteger("other", "k", 2); }), expected);
  QCOMPARE(ErrorOf([&] { profile.EraseSection("mainForm"); }), expected);
  QCOMPARE(ReadBytes(Path()), file);

  const QString in_missing_folder = dir_->filePath("missing/settings.dat");
  QCOMPARE(ErrorOf([&] { TProfileFile(in_missing_folder).WriteBool("s", "k", true); }),
           "Unable to write to " + in_missing_folder);
}

void TestProfile::UnreadableFileRaises() {
  QVERIFY(QDir().mkdir(Path()));
  TProfileFile profile(Path());
  QCOMPARE(
      ErrorOf([&] { profile.ReadString("s", "k", QString()); }),
      QString("Cannot open file \"%1\". %2").arg(Path(), QString::fromUtf8(std::strerror(EISDIR))));
  QCOMPARE(ErrorOf([&] { profile.WriteString("s", "k", "v"); }), "Unable to write to " + Path());
}

// Inside a batch the file stays as it was until Close writes everything at once; a batch
// dropped without Close writes nothing.
void TestProfile::BatchWritesOnceOnClose() {
  const QByteArray file("; kept\r\n[mainForm]\r\nold=1\r\n");
  WriteBytes(Path(), file);
  {
    TProfileFile dropped(Path());
    dropped.BeginBatch();
    dropped.EraseSection("mainForm");
    dropped.WriteString("mainForm", "k", "v");
  }
  QCOMPARE(ReadBytes(Path()), file);

  TProfileFile profile(Path());
  profile.BeginBatch();
  profile.EraseSection("mainForm");
  profile.WriteString("mainForm", "a", "1");
  profile.WriteInteger("mainForm", "b", 2);
  QCOMPARE(profile.ReadString("mainForm", "a", QString()), QString("1"));
  QCOMPARE(ReadBytes(Path()), file);
  profile.Close();
  QCOMPARE(ReadBytes(Path()), QByteArray("; kept\r\n[mainForm]\r\na=1\r\nb=2\r\n"));
}

QTEST_GUILESS_MAIN(TestProfile)

#include "test_profile.moc"
