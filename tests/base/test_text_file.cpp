#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/file_replacement.h"
#include "base/text_encoding.h"

Q_DECLARE_METATYPE(base::TextEncoding)

namespace {

std::string Bytes(const QByteArray& bytes) {
  return bytes.toStdString();
}

QString ToQString(const std::u16string& text) {
  return QString::fromStdU16String(text);
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

  const QString r(QChar(0xFFFD));
  const auto utf8 = base::TextEncoding::kUtf8;
  QTest::newRow("cyrillic") << QByteArray("\xD0\x96\xD1\x8F") << utf8 << QString::fromUtf8("Жя");
  QTest::newRow("euro") << QByteArray("\xE2\x82\xAC") << utf8 << QString::fromUtf8("€");
  QTest::newRow("outside the basic plane")
      << QByteArray("\xF0\x9F\x8E\xB2") << utf8 << QString::fromUtf8("🎲");
  QTest::newRow("lone continuation") << QByteArray(
                                            "a\x80"
                                            "b")
                                     << utf8 << "a" + r + "b";
  QTest::newRow("byte FF") << QByteArray("\xFF") << utf8 << r;
  QTest::newRow("cut three-byte sequence") << QByteArray(
                                                  "\xE2\x82"
                                                  "a")
                                           << utf8 << r + "a";
  QTest::newRow("cut at the end") << QByteArray("a\xF0\x9F\x8E") << utf8 << "a" + r;
  QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << utf8 << r + r;
  QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF") << utf8 << r + r + r;
  QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << utf8 << r + r + r;
  QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << utf8 << r + r + r + r;
  QTest::newRow("lead then ascii") << QByteArray(
                                          "\xD0"
                                          "A")
                                   << utf8 << r + "A";
  QTest::newRow("utf-16le pair") << QByteArray("\x3C\xD8\xB2\xDF", 4)
                                 << base::TextEncoding::kUtf16Le << QString::fromUtf8("🎲");
  QTest::newRow("utf-16le odd byte")
      << QByteArray("a\0b", 3) << base::TextEncoding::kUtf16Le << "a" + r;
  QTest::newRow("utf-16be") << QByteArray("\x04\x16\0a", 4) << base::TextEncoding::kUtf16Be
                            << QString::fromUtf8("Жa");
}

void TestTextFile::DecodesWithReplacement() {
  QFETCH(QByteArray, bytes);
  QFETCH(base::TextEncoding, encoding);
  QFETCH(QString, text);
  QCOMPARE(ToQString(base::DecodeText(Bytes(bytes), encoding)), text);
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

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
