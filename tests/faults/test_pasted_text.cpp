#include <QClipboard>
#include <QTest>

#include <cstddef>

#include "main_form_fixture.h"
#include "test_files.h"
#include "test_main.h"

// Text pasted into the number box with NULs, tabs, every kind of line break and characters
// beyond the Basic Multilingual Plane: the walk reads it by the usual rules, and the box's text
// survives closing and starting again unchanged but for what the start-up build writes back.

namespace {

// Built from the whole array, so that embedded NULs stay part of the text.
template <std::size_t N>
QString Text(const char16_t (&text)[N]) {
  return QString(reinterpret_cast<const QChar*>(text), static_cast<qsizetype>(N - 1));
}

}  // namespace

class TestPastedText : public QObject {
  Q_OBJECT

 private slots:
  void PasteBuildSaveRestore_data();
  void PasteBuildSaveRestore();
};

void TestPastedText::PasteBuildSaveRestore_data() {
  QTest::addColumn<QString>("pasted");
  QTest::addColumn<QString>("in_box");      // the box right after the paste: breaks as CR LF
  QTest::addColumn<QString>("points");      // the walk after Enter, and again after restart
  QTest::addColumn<QStringList>("events");  // what Enter reports
  QTest::addColumn<QString>("entered");     // the box after Enter: saved byte for byte
  QTest::addColumn<QString>("restarted");   // the box after the next start-up build

  // One case a line.
  const auto row = [](const char* name, const QString& pasted, const QString& in_box,
                      const QString& points, const QStringList& events, const QString& entered,
                      const QString& restarted) {
    QTest::newRow(name) << pasted << in_box << points << events << entered << restarted;
  };

  // Pieces are cut at spaces only; U+0000 .. U+0020 (NUL, tab, CR, LF) are trimmed from their
  // ends. The emoji piece is not an integer: reported with its inner tab, removed wherever it
  // stands, and the reading ends. The next start reads up to the empty piece it left.
  row("bad piece with an emoji and a tab", Text(u"\t1\0 2\r\n 3\n\t \r4 \0😀\t8\r\n 5 😀\t8"),
      Text(u"\t1\0 2\r\n 3\r\n\t \r\n4 \0😀\t8\r\n 5 😀\t8"), "0:1:r 1:0:b 2:1:r 3:0:b",
      QStringList{Text(u"message: Ошибка обработки номера: 😀\t8")},
      Text(u"\t1\0 2\r\n 3\r\n\t \r\n4 \0\r\n 5  "), Text(u"\t1\0 2\r\n 3\r\n\t \r\n4 \0\r\n 5"));

  // A piece of only NUL, tab and a line break is empty: the reading ends without a report, so
  // the emoji after it is never read.
  row("empty piece of control characters", Text(u"7 \0\t\r\n 9 😀"), Text(u"7 \0\t\r\n 9 😀"),
      "0:1:r", QStringList(), Text(u"7 \0\t\r\n 9 😀 "), Text(u"7 \0\t\r\n 9 😀"));

  // A lone CR inside a piece is a line break like any other: the piece is not an integer, and
  // the message shows it with the break as CR LF.
  row("lone CR inside a piece", Text(u"3\r5 1"), Text(u"3\r\n5 1"), "",
      QStringList{"message: Ошибка обработки номера: 3\r\n5"}, Text(u" 1 "), Text(u" 1"));

  // Breaks at the ends of pieces are trimmed away for reading and kept in the box.
  row("mixed breaks around numbers", Text(u"\r\n1 \r2\n 3"), Text(u"\r\n1 \r\n2\r\n 3"),
      "0:1:r 1:0:b 2:1:r", QStringList(), Text(u"\r\n1 \r\n2\r\n 3 "), Text(u"\r\n1 \r\n2\r\n 3"));
}

void TestPastedText::PasteBuildSaveRestore() {
  QFETCH(QString, pasted);
  QFETCH(QString, in_box);
  QFETCH(QString, points);
  QFETCH(QStringList, events);
  QFETCH(QString, entered);
  QFETCH(QString, restarted);

  MainFormFixture f;
  TmainForm& form = f.OpenShown();
  form.Numbers_Memo->setFocus();
  QApplication::clipboard()->setText(pasted);
  QTest::keyClick(form.Numbers_Memo, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(form.Numbers_Memo->Text(), in_box);

  f.recorder.Clear();
  f.Enter();
  QCOMPARE(f.recorder.Events(), events);
  QCOMPARE(f.Points(), points);
  QCOMPARE(form.Numbers_Memo->Text(), entered);

  QVERIFY(form.close());
  // The side file holds the box's text exactly, in UTF-8, every line break as CR LF.
  QCOMPARE(ReadBytes(f.folder.filePath("System/Numbers_Memo.txt")), entered.toUtf8());

  f.form.reset();
  f.recorder.Clear();
  TmainForm& again = f.OpenShown();
  QCOMPARE(again.Numbers_Memo->Text(), restarted);
  QCOMPARE(f.Points(), points);
  QCOMPARE(f.recorder.Events(), QStringList());
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestPastedText)

#include "test_pasted_text.moc"
