#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "base/base_internal.h"
#include "base/file_replacement.h"
#include "base/text_encoding.h"
#include "long_path.h"

Q_DECLARE_METATYPE(base::TextEncoding)

namespace {

// What a test puts at a temporary file's name before a save.
enum class Stale { kNothing, kFile, kHardLink, kSymbolicLink, kDanglingLink, kLinkToFolder };

}  // namespace

Q_DECLARE_METATYPE(Stale)

namespace {

std::string Bytes(const QByteArray& bytes) {
  return bytes.toStdString();
}

// Every code unit: QString::fromStdU16String would drop a leading U+FEFF.
QString ToQString(const std::u16string& text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) {
  return text.toStdU16String();
}

void WriteFixture(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray ReadFixture(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestTextFile : public QObject {
  Q_OBJECT

 private slots:
  void DetectsTheMark_data();
  void DetectsTheMark();
  void DecodesWithReplacement_data();
  void DecodesWithReplacement();
  void EncodesBackWithTheMark_data();
  void EncodesBackWithTheMark();
  void ReplacesAWholeFile();
  void KeepsThePermissionBits();
  void FailedReplacementLeavesTheOldFile();
  void ReplacementIntoAMissingFolderFails();
  void ReadsAWholeFile();
  void CreatesFoldersWithParents();
  void LeadingByteOrderMarkCharacterSurvives_data();
  void LeadingByteOrderMarkCharacterSurvives();
  void NothingIsWrittenThroughALink_data();
  void NothingIsWrittenThroughALink();
  void NothingIsReadThroughALink_data();
  void NothingIsReadThroughALink();
  void KeepsTheOldFileOnce_data();
  void KeepsTheOldFileOnce();
  void WorksPastThePathLimit();
};

void TestTextFile::DetectsTheMark_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<base::TextEncoding>("encoding");
  QTest::addColumn<int>("mark_size");
  QTest::addColumn<QString>("text");

  QTest::newRow("no mark") << QByteArray("ab") << base::TextEncoding::kUtf8 << 0 << "ab";
  QTest::newRow("empty") << QByteArray("") << base::TextEncoding::kUtf8 << 0 << "";
  QTest::newRow("utf-8 mark") << QByteArray(
                                     "\xEF\xBB\xBF"
                                     "ab")
                              << base::TextEncoding::kUtf8 << 3 << "ab";
  QTest::newRow("utf-8 mark only")
      << QByteArray("\xEF\xBB\xBF") << base::TextEncoding::kUtf8 << 3 << "";
  QTest::newRow("utf-16le mark") << QByteArray(
                                        "\xFF\xFE"
                                        "a\0b\0",
                                        6)
                                 << base::TextEncoding::kUtf16Le << 2 << "ab";
  QTest::newRow("utf-16be mark") << QByteArray("\xFE\xFF\0a\0b", 6) << base::TextEncoding::kUtf16Be
                                 << 2 << "ab";
  // Two bytes of a UTF-8 mark are no mark: they decode as one replacement character.
  QTest::newRow("cut utf-8 mark") << QByteArray(
                                         "\xEF\xBB"
                                         "a")
                                  << base::TextEncoding::kUtf8 << 0 << QString(QChar(0xFFFD)) + "a";
}

void TestTextFile::DetectsTheMark() {
  QFETCH(QByteArray, bytes);
  QFETCH(base::TextEncoding, encoding);
  QFETCH(int, mark_size);
  QFETCH(QString, text);
  const base::EncodingMark mark = base::DetectEncoding(Bytes(bytes));
  QCOMPARE(mark.encoding, encoding);
  QCOMPARE(static_cast<int>(mark.mark_size), mark_size);
  const base::DecodedText decoded = base::DecodeWithMark(Bytes(bytes));
  QCOMPARE(ToQString(decoded.text), text);
  QCOMPARE(decoded.encoding, encoding);
  QCOMPARE(decoded.has_mark, mark_size > 0);
}

void TestTextFile::DecodesWithReplacement_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<base::TextEncoding>("encoding");
  QTest::addColumn<QString>("text");
  // Whether bytes were replaced: the text no longer gives them back.
  QTest::addColumn<bool>("undecodable");

  const QString r(QChar(0xFFFD));
  const auto utf8 = base::TextEncoding::kUtf8;
  QTest::newRow("cyrillic") << QByteArray("\xD0\x96\xD1\x8F") << utf8 << QString::fromUtf8("Жя")
                            << false;
  QTest::newRow("euro") << QByteArray("\xE2\x82\xAC") << utf8 << QString::fromUtf8("€") << false;
  QTest::newRow("outside the basic plane")
      << QByteArray("\xF0\x9F\x8E\xB2") << utf8 << QString::fromUtf8("🎲") << false;
  QTest::newRow("lone continuation") << QByteArray(
                                            "a\x80"
                                            "b")
                                     << utf8 << "a" + r + "b" << true;
  QTest::newRow("byte FF") << QByteArray("\xFF") << utf8 << r << true;
  QTest::newRow("cut three-byte sequence") << QByteArray(
                                                  "\xE2\x82"
                                                  "a")
                                           << utf8 << r + "a" << true;
  QTest::newRow("cut at the end") << QByteArray("a\xF0\x9F\x8E") << utf8 << "a" + r << true;
  QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << utf8 << r + r << true;
  QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF") << utf8 << r + r + r << true;
  QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << utf8 << r + r + r << true;
  QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << utf8 << r + r + r + r
                                  << true;
  QTest::newRow("lead then ascii") << QByteArray(
                                          "\xD0"
                                          "A")
                                   << utf8 << r + "A" << true;
  QTest::newRow("utf-16le pair") << QByteArray("\x3C\xD8\xB2\xDF", 4)
                                 << base::TextEncoding::kUtf16Le << QString::fromUtf8("🎲") << false;
  QTest::newRow("utf-16le odd byte")
      << QByteArray("a\0b", 3) << base::TextEncoding::kUtf16Le << "a" + r << true;
  QTest::newRow("utf-16be") << QByteArray("\x04\x16\0a", 4) << base::TextEncoding::kUtf16Be
                            << QString::fromUtf8("Жa") << false;
  QTest::newRow("U+FFFD in the bytes") << QByteArray("\xEF\xBF\xBD") << utf8 << r << false;
  QTest::newRow("cp1251 word") << QByteArray("5 \xCA\xEE\xEC") << utf8 << "5 " + r + r + r << true;
}

void TestTextFile::DecodesWithReplacement() {
  QFETCH(QByteArray, bytes);
  QFETCH(base::TextEncoding, encoding);
  QFETCH(QString, text);
  QFETCH(bool, undecodable);
  bool replaced = !undecodable;
  QCOMPARE(ToQString(base::DecodeText(Bytes(bytes), encoding, &replaced)), text);
  QCOMPARE(replaced, undecodable);
  if (encoding == base::TextEncoding::kUtf8)
    QCOMPARE(base::DecodeWithMark(Bytes(bytes)).undecodable, undecodable);
}

void TestTextFile::EncodesBackWithTheMark_data() {
  QTest::addColumn<base::TextEncoding>("encoding");
  QTest::addColumn<bool>("with_mark");
  QTest::addColumn<QByteArray>("bytes");

  // "Ж🎲\r\n" in each encoding.
  QTest::newRow("utf-8") << base::TextEncoding::kUtf8 << false
                         << QByteArray("\xD0\x96\xF0\x9F\x8E\xB2\r\n");
  QTest::newRow("utf-8 with mark") << base::TextEncoding::kUtf8 << true
                                   << QByteArray("\xEF\xBB\xBF\xD0\x96\xF0\x9F\x8E\xB2\r\n");
  QTest::newRow("utf-16le") << base::TextEncoding::kUtf16Le << true
                            << QByteArray("\xFF\xFE\x16\x04\x3C\xD8\xB2\xDF\r\0\n\0", 12);
  QTest::newRow("utf-16be") << base::TextEncoding::kUtf16Be << true
                            << QByteArray("\xFE\xFF\x04\x16\xD8\x3C\xDF\xB2\0\r\0\n", 12);
}

void TestTextFile::EncodesBackWithTheMark() {
  QFETCH(base::TextEncoding, encoding);
  QFETCH(bool, with_mark);
  QFETCH(QByteArray, bytes);
  const QString text = QString::fromUtf8("Ж🎲\r\n");
  const std::string encoded = base::EncodeWithMark(ToU16(text), encoding, with_mark);
  QCOMPARE(QByteArray::fromStdString(encoded), bytes);
  const base::DecodedText decoded = base::DecodeWithMark(encoded);
  QCOMPARE(ToQString(decoded.text), text);
  QCOMPARE(decoded.encoding, encoding);
  QCOMPARE(decoded.has_mark, with_mark);
}

void TestTextFile::ReplacesAWholeFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.txt");
  base::ReplaceFile(path.toStdString(), "first version, longer");
  QCOMPARE(ReadFixture(path), QByteArray("first version, longer"));
  base::ReplaceFile(path.toStdString(), "second");
  QCOMPARE(ReadFixture(path), QByteArray("second"));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.txt"});
}

void TestTextFile::KeepsThePermissionBits() {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.txt");
  WriteFixture(path, "old");
  QVERIFY(::chmod(path.toLocal8Bit().constData(), 0640) == 0);
  base::ReplaceFile(path.toStdString(), "new");
  struct stat info {};
  QVERIFY(::stat(path.toLocal8Bit().constData(), &info) == 0);
  QCOMPARE(info.st_mode & 07777, 0640u);
}

void TestTextFile::FailedReplacementLeavesTheOldFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.txt");
  WriteFixture(path, "old content");
  // Root ignores permission bits, so a folder standing where the temporary file goes is what
  // makes the replacement fail.
  QVERIFY(QDir().mkdir(QString::fromStdString(base::TemporaryPathFor(path.toStdString()))));
  try {
    base::ReplaceFile(path.toStdString(), "new");
    QFAIL("the replacement did not fail");
  } catch (const base::FileError& error) {
    QCOMPARE(QString::fromStdString(error.reason()), QString::fromUtf8(std::strerror(EISDIR)));
    QCOMPARE(QString::fromStdString(error.path()), path);
  }
  QCOMPARE(ReadFixture(path), QByteArray("old content"));
}

void TestTextFile::ReplacementIntoAMissingFolderFails() {
  QTemporaryDir dir;
  const QString path = dir.filePath("missing/a.txt");
  try {
    base::ReplaceFile(path.toStdString(), "new");
    QFAIL("the replacement did not fail");
  } catch (const base::FileError& error) {
    QCOMPARE(QString::fromStdString(error.reason()), QString::fromUtf8(std::strerror(ENOENT)));
  }
  QVERIFY(!QFile::exists(path));
}

void TestTextFile::ReadsAWholeFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.txt");
  QVERIFY(!base::ReadWholeFile(path.toStdString()).has_value());
  QVERIFY(!base::ReadWholeFile(dir.filePath("no/such/a.txt").toStdString()).has_value());
  QByteArray big(200000, 'x');
  big[0] = '\0';
  big[199999] = 'y';
  WriteFixture(path, big);
  QCOMPARE(QByteArray::fromStdString(base::ReadWholeFile(path.toStdString()).value()), big);
  QVERIFY(base::FileExists(path.toStdString()));
  QVERIFY(!base::FileExists(dir.path().toStdString()));
  QVERIFY(base::FolderExists(dir.path().toStdString()));
  try {
    base::ReadWholeFile(dir.path().toStdString());
    QFAIL("reading a folder did not fail");
  } catch (const base::FileError& error) {
    QCOMPARE(QString::fromStdString(error.reason()), QString::fromUtf8(std::strerror(EISDIR)));
  }
}

void TestTextFile::CreatesFoldersWithParents() {
  QTemporaryDir dir;
  const QString nested = dir.filePath("a/b/c");
  base::CreateFolders(nested.toStdString());
  QVERIFY(QFileInfo(nested).isDir());
  base::CreateFolders(nested.toStdString());  // existing: fine
  WriteFixture(dir.filePath("file"), "x");
  QVERIFY_THROWS_EXCEPTION(base::FileError,
                           base::CreateFolders(dir.filePath("file/sub").toStdString()));
  QVERIFY_THROWS_EXCEPTION(base::FileError,
                           base::CreateFolders(dir.filePath("file").toStdString()));
}

void TestTextFile::LeadingByteOrderMarkCharacterSurvives_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<base::TextEncoding>("encoding");
  QTest::addColumn<bool>("with_mark");
  QTest::addColumn<QByteArray>("bytes");

  const auto utf8 = base::TextEncoding::kUtf8;
  const QString feff(QChar(0xFEFF));
  // The character first: a mark goes before it, so it is read back as a character.
  QTest::newRow("U+FEFF first, no mark") << feff + "5 12" << utf8 << false
                                         << QByteArray(
                                                "\xEF\xBB\xBF\xEF\xBB\xBF"
                                                "5 12");
  QTest::newRow("U+FEFF only") << feff << utf8 << false << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF");
  QTest::newRow("U+FEFF first, with mark") << feff + "5" << utf8 << true
                                           << QByteArray(
                                                  "\xEF\xBB\xBF\xEF\xBB\xBF"
                                                  "5");
  QTest::newRow("U+FEFF first, utf-16le") << feff + "5" << base::TextEncoding::kUtf16Le << true
                                          << QByteArray(
                                                 "\xFF\xFE\xFF\xFE"
                                                 "5\0",
                                                 6);
  // Everything else keeps its bytes exactly.
  QTest::newRow("U+FEFF later") << "5" + feff << utf8 << false << QByteArray("5\xEF\xBB\xBF");
  QTest::newRow("ordinary") << "5 12 36 " << utf8 << false << QByteArray("5 12 36 ");
  QTest::newRow("cyrillic") << QString::fromUtf8("Жёлтый") << utf8 << false
                            << QByteArray("\xD0\x96\xD1\x91\xD0\xBB\xD1\x82\xD1\x8B\xD0\xB9");
  QTest::newRow("empty") << "" << utf8 << false << QByteArray("");
  QTest::newRow("U+FFFE first") << QString(QChar(0xFFFE)) << utf8 << false
                                << QByteArray("\xEF\xBF\xBE");
}

void TestTextFile::LeadingByteOrderMarkCharacterSurvives() {
  QFETCH(QString, text);
  QFETCH(base::TextEncoding, encoding);
  QFETCH(bool, with_mark);
  QFETCH(QByteArray, bytes);
  const std::string encoded = base::EncodeWithMark(ToU16(text), encoding, with_mark);
  QCOMPARE(QByteArray::fromStdString(encoded), bytes);
  QCOMPARE(ToQString(base::DecodeWithMark(encoded).text), text);
}

void TestTextFile::NothingIsWrittenThroughALink_data() {
  QTest::addColumn<Stale>("stale");
  QTest::newRow("nothing") << Stale::kNothing;
  QTest::newRow("a stale temporary file") << Stale::kFile;
  QTest::newRow("a hard link to a file elsewhere") << Stale::kHardLink;
  QTest::newRow("a symbolic link to a file elsewhere") << Stale::kSymbolicLink;
  QTest::newRow("a symbolic link to no file yet") << Stale::kDanglingLink;
  QTest::newRow("a symbolic link to a folder elsewhere") << Stale::kLinkToFolder;
}

void TestTextFile::NothingIsWrittenThroughALink() {
  QFETCH(Stale, stale);
  QTemporaryDir dir;
  QTemporaryDir elsewhere;
  const QString path = dir.filePath("a.txt");
  const QString outside = elsewhere.filePath("outside.txt");
  const QByteArray temporary =
      QFile::encodeName(QString::fromStdString(base::TemporaryPathFor(path.toStdString())));
  WriteFixture(path, "old");
  WriteFixture(outside, "not the program's");
  const QByteArray outside_local = QFile::encodeName(outside);
  switch (stale) {
    case Stale::kNothing:
      break;
    case Stale::kFile:
      WriteFixture(QString::fromLocal8Bit(temporary), "stale, and longer than the new");
      break;
    case Stale::kHardLink:
      QVERIFY(::link(outside_local.constData(), temporary.constData()) == 0);
      break;
    case Stale::kSymbolicLink:
      QVERIFY(::symlink(outside_local.constData(), temporary.constData()) == 0);
      break;
    case Stale::kDanglingLink:
      QVERIFY(::symlink(QFile::encodeName(elsewhere.filePath("new.txt")).constData(),
                        temporary.constData()) == 0);
      break;
    case Stale::kLinkToFolder:
      QVERIFY(::symlink(QFile::encodeName(elsewhere.path()).constData(), temporary.constData()) ==
              0);
      break;
  }

  QVERIFY_THROWS_NO_EXCEPTION(base::ReplaceFile(path.toStdString(), "new"));
  QCOMPARE(ReadFixture(path), QByteArray("new"));
  QCOMPARE(ReadFixture(outside), QByteArray("not the program's"));
  const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
  QCOMPARE(QDir(elsewhere.path()).entryList(all), QStringList{"outside.txt"});
  QCOMPARE(QDir(dir.path()).entryList(all), QStringList{"a.txt"});
}

void TestTextFile::NothingIsReadThroughALink_data() {
  QTest::addColumn<bool>("dangling");
  QTest::newRow("a link to a file elsewhere") << false;
  QTest::newRow("a link to no file") << true;
}

void TestTextFile::NothingIsReadThroughALink() {
  QFETCH(bool, dangling);
  QTemporaryDir dir;
  QTemporaryDir elsewhere;
  const QString outside = elsewhere.filePath("outside.txt");
  if (!dangling)
    WriteFixture(outside, "root:x:0:0");
  const QString path = dir.filePath("a.txt");
  QVERIFY(QFile::link(outside, path));
  try {
    const auto bytes = base::ReadWholeFile(path.toStdString());
    QFAIL(qPrintable("a link was read: " + QString::fromStdString(bytes.value_or("<none>"))));
  } catch (const base::FileError& error) {
    QCOMPARE(QString::fromStdString(error.reason()), QString::fromUtf8(std::strerror(ELOOP)));
    QCOMPARE(QString::fromStdString(error.path()), path);
  }
  // Nor is what a link leads to kept as a file of the program's.
  base::KeepOnce(path.toStdString(), dir.filePath("a.txt.orig").toStdString());
  QVERIFY(!QFileInfo::exists(dir.filePath("a.txt.orig")));
}

void TestTextFile::KeepsTheOldFileOnce_data() {
  QTest::addColumn<QString>("found");  // what stands at the file's name
  QTest::addColumn<QByteArray>("kept_before");
  QTest::addColumn<QByteArray>("kept");
  const QByteArray cp1251 = "5 12 ; \xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9";
  QTest::newRow("a file") << "file" << QByteArray("<missing>") << cp1251;
  QTest::newRow("kept before: never replaced")
      << "file" << QByteArray("first") << QByteArray("first");
  QTest::newRow("no file") << "" << QByteArray("<missing>") << QByteArray("<missing>");
  QTest::newRow("a link") << "link" << QByteArray("<missing>") << QByteArray("<missing>");
  QTest::newRow("a folder") << "folder" << QByteArray("<missing>") << QByteArray("<missing>");
}

void TestTextFile::KeepsTheOldFileOnce() {
  QFETCH(QString, found);
  QFETCH(QByteArray, kept_before);
  QFETCH(QByteArray, kept);
  QTemporaryDir dir;
  const QString path = dir.filePath("Numbers_Memo.txt");
  const QString kept_path = dir.filePath("Numbers_Memo.txt.orig");
  const QByteArray cp1251 = "5 12 ; \xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9";
  if (found == "file")
    WriteFixture(path, cp1251);
  if (found == "link") {
    WriteFixture(dir.filePath("elsewhere"), cp1251);
    QVERIFY(QFile::link(dir.filePath("elsewhere"), path));
  }
  if (found == "folder")
    QVERIFY(QDir(dir.path()).mkdir("Numbers_Memo.txt"));
  if (kept_before != "<missing>")
    WriteFixture(kept_path, kept_before);

  base::KeepOnce(path.toStdString(), kept_path.toStdString());
  QCOMPARE(QFileInfo::exists(kept_path) ? ReadFixture(kept_path) : QByteArray("<missing>"), kept);
  if (found != "file")
    return;
  // The file replaced, then kept again: the first kept file stays as it was.
  base::ReplaceFile(path.toStdString(), "5 12");
  QCOMPARE(ReadFixture(kept_path), kept);
  base::KeepOnce(path.toStdString(), kept_path.toStdString());
  QCOMPARE(ReadFixture(kept_path), kept);
  QCOMPARE(ReadFixture(path), QByteArray("5 12"));
}

void TestTextFile::WorksPastThePathLimit() {
  QTemporaryDir dir;
  const long_path::RemovedAtEnd removed{dir.path()};
  const QString folder = long_path::MakeFolderOfLength(dir.path(), 4080);
  QCOMPARE(folder.size(), 4080);
  const QString settings_folder = folder + "/System/Settings";
  const QString file = settings_folder + "/UserAgentListBox.txt";
  QVERIFY(file.size() >= PATH_MAX);

  QVERIFY_THROWS_NO_EXCEPTION(base::CreateFolders(settings_folder.toStdString()));
  QVERIFY(base::FolderExists(settings_folder.toStdString()));
  QVERIFY(!base::FileExists(file.toStdString()));
  QVERIFY(!base::ReadWholeFile(file.toStdString()).has_value());
  QVERIFY_THROWS_NO_EXCEPTION(base::ReplaceFile(file.toStdString(), "first"));
  QVERIFY_THROWS_NO_EXCEPTION(base::ReplaceFile(file.toStdString(), "second"));
  QCOMPARE(long_path::Read(file), QByteArray("second"));
  QVERIFY(base::FileExists(file.toStdString()));
  QCOMPARE(QByteArray::fromStdString(base::ReadWholeFile(file.toStdString()).value_or("")),
           QByteArray("second"));
  QVERIFY_THROWS_NO_EXCEPTION(base::KeepOnce(file.toStdString(), (file + ".orig").toStdString()));
  QCOMPARE(long_path::Read(file + ".orig"), QByteArray("second"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
