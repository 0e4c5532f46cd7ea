#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include "base/program_folder.h"
#include "test_files.h"
#include "uAccessory/settings_format.h"
#include "uAccessory/side_files.h"
#include "uAccessory/uaccessory_internal.h"

Q_DECLARE_METATYPE(base::TextEncoding)

class TestSideFiles : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void PathsLieInTheSettingsFolder();
  void CreatesFoldersWithMissingParents();
  void WritesMemoFiles_data();
  void WritesMemoFiles();
  void WritesListFiles_data();
  void WritesListFiles();
  void ReadsWithTheMark_data();
  void ReadsWithTheMark();
  void ReadsListLines_data();
  void ReadsListLines();
  void MarkedFileWrittenBackWithItsMark();
  void MissingFileIsNothing();
  void ReadsRawSettingsText_data();
  void ReadsRawSettingsText();
  void FailedWriteRaisesAndKeepsTheFile();
  void UnreadableFileRaises();
  void BlockedFolderRaises();
  void LeadingByteOrderMarkCharacterSurvives_data();
  void LeadingByteOrderMarkCharacterSurvives();
  void KeepsAFileWithUndecodableBytesOnce_data();
  void KeepsAFileWithUndecodableBytesOnce();

 private:
  // The folder of the settings file, which the side files lie in.
  QString Folder() const { return dir_->path() + "/"; }

  std::unique_ptr<QTemporaryDir> dir_;
};

void TestSideFiles::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  base::SetProgramFolderForTesting(dir_->path().toStdString());
}

void TestSideFiles::cleanup() {
  base::SetProgramFolderForTesting(std::string());
}

void TestSideFiles::PathsLieInTheSettingsFolder() {
  const QString root = dir_->path() + "/";
  QCOMPARE(MemoSideFolder(Folder()), root + "System/");
  QCOMPARE(ListSideFolder(Folder()), root + "System/Settings/");
  QCOMPARE(MemoSideFilePath(Folder(), "Numbers_Memo"), root + "System/Numbers_Memo.txt");
  QCOMPARE(ListSideFilePath(Folder(), "UserAgentListBox"),
           root + "System/Settings/UserAgentListBox.txt");
}

void TestSideFiles::CreatesFoldersWithMissingParents() {
  QVERIFY(!QFileInfo::exists(MemoSideFolder(Folder())));
  CreateSideFolderFor(ListSideFilePath(Folder(), "List"));
  QVERIFY(QFileInfo(ListSideFolder(Folder())).isDir());
  WriteMemoSideFile(MemoSideFilePath(Folder(), "Numbers_Memo"), "5 12");
  CreateSideFolderFor(MemoSideFilePath(Folder(), "Memo"));  // already there: nothing happens
  QCOMPARE(ReadBytes(MemoSideFilePath(Folder(), "Numbers_Memo")), QByteArray("5 12"));
}

void TestSideFiles::WritesMemoFiles_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QByteArray>("bytes");

  QTest::newRow("5 12") << "5 12" << QByteArray("5 12");
  QTest::newRow("trailing blank kept") << "5 12 36 " << QByteArray("5 12 36 ");
  QTest::newRow("empty") << "" << QByteArray("");
  QTest::newRow("lines as crlf") << "a\nb\r\nc\rd\n" << QByteArray("a\r\nb\r\nc\r\nd\r\n");
  QTest::newRow("cyrillic as utf-8") << "Жёлтый 🎲" << QByteArray("Жёлтый 🎲");
}

void TestSideFiles::WritesMemoFiles() {
  QFETCH(QString, text);
  QFETCH(QByteArray, bytes);
  CreateSideFolderFor(MemoSideFilePath(Folder(), "Memo"));
  const QString path = MemoSideFilePath(Folder(), "Numbers_Memo");
  WriteMemoSideFile(path, text);
  QCOMPARE(ReadBytes(path), bytes);
  const std::optional<SideFileText> back = ReadMemoSideFile(path);
  QVERIFY(back.has_value());
  QCOMPARE(back->text, WithCrLf(text));
  QCOMPARE(back->encoding, SideFileEncoding{});
}

void TestSideFiles::WritesListFiles_data() {
  QTest::addColumn<QStringList>("items");
  QTest::addColumn<QByteArray>("bytes");

  QTest::newRow("a b") << QStringList{"a", "b"} << QByteArray("a\r\nb\r\n");
  QTest::newRow("none") << QStringList{} << QByteArray("");
  QTest::newRow("one empty item") << QStringList{""} << QByteArray("\r\n");
  QTest::newRow("empty item inside") << QStringList{"a", "", "b"} << QByteArray("a\r\n\r\nb\r\n");
}

void TestSideFiles::WritesListFiles() {
  QFETCH(QStringList, items);
  QFETCH(QByteArray, bytes);
  CreateSideFolderFor(ListSideFilePath(Folder(), "List"));
  const QString path = ListSideFilePath(Folder(), "List");
  WriteListSideFile(path, items);
  QCOMPARE(ReadBytes(path), bytes);
  QCOMPARE(ReadListSideFile(path).value().lines, items);
}

void TestSideFiles::ReadsWithTheMark_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("text");  // as a memo: line breaks as CR LF
  QTest::addColumn<base::TextEncoding>("encoding");
  QTest::addColumn<bool>("has_mark");

  const auto utf8 = base::TextEncoding::kUtf8;
  QTest::newRow("no mark") << QByteArray("Жa\nb") << "Жa\r\nb" << utf8 << false;
  QTest::newRow("utf-8 mark") << Utf8Mark("Жa\rb\r\n") << "Жa\r\nb\r\n" << utf8 << true;
  QTest::newRow("utf-16le") << Utf16Le("Жa\r\nb") << "Жa\r\nb" << base::TextEncoding::kUtf16Le
                            << true;
  QTest::newRow("utf-16be") << Utf16Be("Жa\nb") << "Жa\r\nb" << base::TextEncoding::kUtf16Be
                            << true;
  QTest::newRow("invalid utf-8") << QByteArray("a\xC3(") << "a" + QString(QChar(0xFFFD)) + "("
                                 << utf8 << false;
  QTest::newRow("mark only") << QByteArray("\xFF\xFE") << "" << base::TextEncoding::kUtf16Le
                             << true;
}

void TestSideFiles::ReadsWithTheMark() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, text);
  QFETCH(base::TextEncoding, encoding);
  QFETCH(bool, has_mark);
  const QString path = dir_->filePath("memo.txt");
  WriteBytes(path, bytes);
  const std::optional<SideFileText> read = ReadMemoSideFile(path);
  QVERIFY(read.has_value());
  QCOMPARE(read->text, text);
  QCOMPARE(read->encoding.encoding, encoding);
  QCOMPARE(read->encoding.has_mark, has_mark);
}

void TestSideFiles::ReadsListLines_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("lines");

  QTest::newRow("crlf, cr and lf") << QByteArray("a\r\nb\rc\nd") << QStringList{"a", "b", "c", "d"};
  QTest::newRow("break at the end") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
  QTest::newRow("lf at the end") << QByteArray("a\n") << QStringList{"a"};
  QTest::newRow("blank line kept") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
  QTest::newRow("two breaks at the end") << QByteArray("a\n\n") << QStringList{"a", ""};
  QTest::newRow("lf cr is two breaks") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
  QTest::newRow("empty") << QByteArray("") << QStringList{};
  QTest::newRow("only a break") << QByteArray("\r\n") << QStringList{""};
  QTest::newRow("utf-16le") << Utf16Le("Ж\r\nb\r\n") << QStringList{"Ж", "b"};
}

void TestSideFiles::ReadsListLines() {
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, lines);
  const QString path = dir_->filePath("list.txt");
  WriteBytes(path, bytes);
  QCOMPARE(ReadListSideFile(path).value().lines, lines);
}

void TestSideFiles::MarkedFileWrittenBackWithItsMark() {
  CreateSideFolderFor(MemoSideFilePath(Folder(), "Memo"));
  const QString memo = MemoSideFilePath(Folder(), "Numbers_Memo");
  WriteBytes(memo, Utf8Mark("5 12"));
  const std::optional<SideFileText> loaded = ReadMemoSideFile(memo);
  QVERIFY(loaded.has_value());
  QCOMPARE(loaded->text, QString("5 12"));
  WriteMemoSideFile(memo, loaded->text + " Ж", loaded->encoding);
  QCOMPARE(ReadBytes(memo), Utf8Mark("5 12 Ж"));

  CreateSideFolderFor(ListSideFilePath(Folder(), "List"));
  const QString list = ListSideFilePath(Folder(), "List");
  WriteBytes(list, Utf16Be("a\r\n"));
  const std::optional<SideFileLines> items = ReadListSideFile(list);
  QVERIFY(items.has_value());
  WriteListSideFile(list, items->lines + QStringList{"b"}, items->encoding);
  QCOMPARE(ReadBytes(list), Utf16Be("a\r\nb\r\n"));
}

void TestSideFiles::MissingFileIsNothing() {
  QVERIFY(!ReadMemoSideFile(MemoSideFilePath(Folder(), "Numbers_Memo")).has_value());
  QVERIFY(!ReadListSideFile(ListSideFilePath(Folder(), "List")).has_value());
  QCOMPARE(ReadRawSettingsText(dir_->filePath("settings.dat")), QString());
}

void TestSideFiles::ReadsRawSettingsText_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("text");

  QTest::newRow("lines joined with crlf") << QByteArray("[F]\nA=1\rB=2") << "[F]\r\nA=1\r\nB=2\r\n";
  QTest::newRow("crlf kept") << QByteArray("[F]\r\nA=1\r\n") << "[F]\r\nA=1\r\n";
  QTest::newRow("empty") << QByteArray("") << "";
  QTest::newRow("utf-16le") << Utf16Le("[F]\r\nL.Items=<*Ж*><*]]]\r\n")
                            << "[F]\r\nL.Items=<*Ж*><*]]]\r\n";
}

void TestSideFiles::ReadsRawSettingsText() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, text);
  const QString path = dir_->filePath("settings.dat");
  WriteBytes(path, bytes);
  QCOMPARE(ReadRawSettingsText(path), text);
}

void TestSideFiles::FailedWriteRaisesAndKeepsTheFile() {
  CreateSideFolderFor(MemoSideFilePath(Folder(), "Memo"));
  const QString memo = MemoSideFilePath(Folder(), "Numbers_Memo");
  WriteBytes(memo, "old");
  // Root ignores permission bits: a folder where the temporary file must go blocks the write.
  QVERIFY(QDir().mkdir(memo + ".tmp"));
  QCOMPARE(
      ErrorOf([&] { WriteMemoSideFile(memo, "new"); }),
      QString("Cannot create file \"%1\". %2").arg(memo, QString::fromUtf8(std::strerror(EISDIR))));
  QCOMPARE(ReadBytes(memo), QByteArray("old"));

  const QString in_missing_folder = ListSideFilePath(Folder(), "List");
  QCOMPARE(ErrorOf([&] { WriteListSideFile(in_missing_folder, {"a"}); }),
           QString("Cannot create file \"%1\". %2")
               .arg(in_missing_folder, QString::fromUtf8(std::strerror(ENOENT))));
}

void TestSideFiles::UnreadableFileRaises() {
  const QString folder = dir_->filePath("settings.dat");
  QVERIFY(QDir().mkdir(folder));
  const QString expected =
      QString("Cannot open file \"%1\". %2").arg(folder, QString::fromUtf8(std::strerror(EISDIR)));
  QCOMPARE(ErrorOf([&] { ReadRawSettingsText(folder); }), expected);
  // A folder in place of a side file is no side file at all.
  QVERIFY(!ReadMemoSideFile(folder));
  QVERIFY(!ReadListSideFile(folder));
}

void TestSideFiles::BlockedFolderRaises() {
  WriteBytes(dir_->filePath("System"), "a file where the folder should be");
  // The message names the side file that could not be written, not the folder on its way.
  const QString file = ListSideFilePath(Folder(), "List");
  const QString error = ErrorOf([&] { CreateSideFolderFor(file); });
  QVERIFY2(error.startsWith(QString("Cannot create file \"%1\". ").arg(file)), qPrintable(error));
  QVERIFY(error.size() > QString("Cannot create file \"%1\". ").arg(file).size());
}

void TestSideFiles::LeadingByteOrderMarkCharacterSurvives_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<base::TextEncoding>("encoding");
  QTest::addColumn<bool>("has_mark");

  const QString feff(QChar(0xFEFF));
  const auto utf8 = base::TextEncoding::kUtf8;
  QTest::newRow("U+FEFF first") << feff + "5 12" << utf8 << false;
  QTest::newRow("U+FEFF only") << feff << utf8 << false;
  QTest::newRow("two U+FEFF first") << feff + feff + "5" << utf8 << false;
  QTest::newRow("U+FEFF first, file with mark") << feff + "5" << utf8 << true;
  QTest::newRow("U+FEFF first, utf-16le") << feff + "5" << base::TextEncoding::kUtf16Le << true;
  // Taken for a swapped mark, it would turn every character after it around.
  QTest::newRow("U+FFFE first") << QString(QChar(0xFFFE)) + "5 12" << utf8 << false;
  QTest::newRow("U+FFFE first, utf-16be")
      << QString(QChar(0xFFFE)) + "5" << base::TextEncoding::kUtf16Be << true;
}

void TestSideFiles::LeadingByteOrderMarkCharacterSurvives() {
  QFETCH(QString, text);
  QFETCH(base::TextEncoding, encoding);
  QFETCH(bool, has_mark);
  CreateSideFolderFor(ListSideFilePath(Folder(), "List"));
  const QString memo = MemoSideFilePath(Folder(), "Numbers_Memo");
  WriteMemoSideFile(memo, text, {encoding, has_mark});
  QCOMPARE(ReadMemoSideFile(memo).value().text, text);
  // And once more, written back the way it was read.
  WriteMemoSideFile(memo, text, ReadMemoSideFile(memo).value().encoding);
  QCOMPARE(ReadMemoSideFile(memo).value().text, text);

  const QString list = ListSideFilePath(Folder(), "List");
  WriteListSideFile(list, {text, "7"}, {encoding, has_mark});
  QCOMPARE(ReadListSideFile(list).value().lines, QStringList({text, "7"}));
}

void TestSideFiles::KeepsAFileWithUndecodableBytesOnce_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("keep");

  // "5 12 ; Комментарий" written in a single-byte Cyrillic encoding.
  QTest::newRow("a cp1251 comment")
      << QByteArray("5 12 ; \xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9") << true;
  QTest::newRow("a latin-1 byte") << QByteArray("5 12 caf\xE9") << true;
  QTest::newRow("utf-16le with an odd byte") << Utf16Le("5 12") + "x" << true;
  QTest::newRow("valid utf-8") << QByteArray("5 12 Ж") << false;
  QTest::newRow("valid utf-8 with U+FFFD") << QByteArray("5 12 \xEF\xBF\xBD") << false;
}

void TestSideFiles::KeepsAFileWithUndecodableBytesOnce() {
  QFETCH(QByteArray, bytes);
  QFETCH(bool, keep);
  CreateSideFolderFor(MemoSideFilePath(Folder(), "Memo"));
  const QString memo = MemoSideFilePath(Folder(), "Numbers_Memo");
  const QString original = OriginalPathFor(memo);
  QCOMPARE(original, memo + ".orig");
  WriteBytes(memo, bytes);

  const std::optional<SideFileText> loaded = ReadMemoSideFile(memo);
  QVERIFY(loaded.has_value());
  QCOMPARE(loaded->encoding.keep_original, keep);
  WriteMemoSideFile(memo, "5 12", loaded->encoding);
  QCOMPARE(ReadBytes(original), keep ? bytes : QByteArray("<missing>"));
  QCOMPARE(ReadMemoSideFile(memo).value().text, QString("5 12"));
  QVERIFY(!ReadMemoSideFile(memo).value().encoding.keep_original);

  // A later write, even one told to keep the old file, never replaces what was kept.
  WriteMemoSideFile(memo, "7", loaded->encoding);
  QCOMPARE(ReadBytes(original), keep ? bytes : QByteArray("<missing>"));
}

QTEST_GUILESS_MAIN(TestSideFiles)
#include "test_side_files.moc"
