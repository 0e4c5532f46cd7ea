#include <QTest>

#include "main/main_internal.h"
#include "main/walk_text.h"

namespace {

// Points as "x:y:colour" joined by spaces, colour r or b, so a table row reads like the chart.
QString Describe(const std::vector<WalkPoint>& points) {
  QStringList parts;
  for (const WalkPoint& p : points) {
    const QString colour = p.color == kRedColor ? "r" : p.color == kBlackColor ? "b" : "?";
    parts << QString("%1:%2:%3").arg(p.x).arg(p.y).arg(colour);
  }
  return parts.join(' ');
}

const QString kRange = QStringLiteral("Числа должны быть в диапазоне [1, 36]!");

}  // namespace

class TestWalkText : public QObject {
  Q_OBJECT

 private slots:
  void ReadsTheBox_data();
  void ReadsTheBox();
  void ColourSetsPartitionOneToThirtySix();
  void StripTrailingCharRemovesAtMostOne();
  void RemovedPieceNeverReportedAgain();
  void ManyNumbers();
};

void TestWalkText::ReadsTheBox_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("points");
  QTest::addColumn<QString>("message");  // empty: nothing reported
  QTest::addColumn<QString>("written_back");

  // One case a line.
  const auto row = [](const char* name, const QString& text, const QString& points,
                      const QString& message, const QString& written_back) {
    QTest::newRow(name) << text << points << message << written_back;
  };

  const QString empty_list = QStringLiteral("Не задан список номеров!");
  // For an empty list nothing is written back; the column holds the box's unchanged text.
  row("empty box", "", "", empty_list, "");
  row("one space", " ", "", empty_list, " ");
  row("two spaces", "  ", "", empty_list, "  ");
  row("three spaces", "   ", "", empty_list, "   ");
  row("1 2 3", "1 2 3", "0:1:r 1:0:b 2:1:r", "", "1 2 3");
  row("two spaces between", "1  2", "0:1:r 1:0:b", "", "1 2");
  row("three spaces between", "1   2", "0:1:r 1:0:b", "", "1 2");
  row("four spaces between", "1    2", "0:1:r 1:0:b", "", "1 2");
  row("one trailing space", "1 2 ", "0:1:r 1:0:b", "", "1 2");
  row("two trailing spaces", "1 2  ", "0:1:r 1:0:b", "", "1 2");
  row("two leading spaces", "  1 2", "0:1:r 1:0:b", "", "1 2");
  row("leading space", " 1 2", "", "", " 1 2");
  row("10 0 20", "10 0 20", "0:-1:b", kRange, "10 20");
  row("5 37", "5 37", "0:1:r", kRange, "5 ");
  row("37 5", "37 5", "", kRange, " 5");
  row("1 abc 2", "1 abc 2", "0:1:r", QStringLiteral("Ошибка обработки номера: abc"), "1 2");
  row("1 X X 2", "1 X X 2", "0:1:r", QStringLiteral("Ошибка обработки номера: X"), "1  2");
  row("line break inside a piece", "1 2\r\n3", "0:1:r",
      QStringLiteral("Ошибка обработки номера: 2\r\n3"), "1 ");
  row("line break after a space", "1 2 \r\n3 4", "0:1:r 1:0:b 2:1:r 3:0:b", "", "1 2 \r\n3 4");
  row("line break at the end", "1 2 \r\n", "0:1:r 1:0:b", "", "1 2 \r\n");
  row("hex and signs", "$A 0x24 +7 007", "0:-1:b 1:0:r 2:1:r 3:2:r", "", "$A 0x24 +7 007");
  row("-5 out of range", "3 -5", "0:1:r", kRange, "3 ");
  row("2147483647 out of range", "2147483647", "", kRange, "");
  row("2147483648 not an integer", "2147483648", "",
      QStringLiteral("Ошибка обработки номера: 2147483648"), "");
  row("1.5", "1.5 2", "", QStringLiteral("Ошибка обработки номера: 1.5"), " 2");
  row("trimmed piece keeps what was trimmed", "4 \tz\t 4", "0:-1:b",
      QStringLiteral("Ошибка обработки номера: z"), "4 \t\t 4");
  row("tab does not separate", "1\t2", "", QStringLiteral("Ошибка обработки номера: 1\t2"), "");
  row("bad piece removed everywhere, neighbours untouched", "7 x 17 x7 x", "0:1:r",
      QStringLiteral("Ошибка обработки номера: x"), "7 17 x7 ");
}

void TestWalkText::ReadsTheBox() {
  QFETCH(QString, text);
  QFETCH(QString, points);
  QFETCH(QString, message);
  QFETCH(QString, written_back);

  const WalkReading reading = ReadWalk(text);
  QCOMPARE(Describe(reading.points), points);
  QCOMPARE(ReportMessage(reading.report, reading.bad_piece), message);
  if (reading.report == WalkReport::kEmptyList) {
    QCOMPARE(text, written_back);
  } else {
    QCOMPARE(reading.written_back, written_back);
  }
}

void TestWalkText::ColourSetsPartitionOneToThirtySix() {
  int red = 0;
  int black = 0;
  for (int n = -1; n <= 37; ++n) {
    const bool in_red = IsInRedNumbers(n);
    const bool in_black = IsInBlackNumbers(n);
    QVERIFY2(!(in_red && in_black), qPrintable(QString::number(n)));
    QCOMPARE(in_red || in_black, n >= 1 && n <= 36);
    red += in_red;
    black += in_black;
  }
  QCOMPARE(red, 18);
  QCOMPARE(black, 18);
  for (int n : {1, 3, 5, 7, 9, 12, 14, 16, 18, 19, 21, 23, 25, 27, 30, 32, 34, 36})
    QVERIFY(IsInRedNumbers(n));
}

void TestWalkText::StripTrailingCharRemovesAtMostOne() {
  QCOMPARE(StripTrailingChar("", u' '), QString());
  QCOMPARE(StripTrailingChar("a  ", u' '), QString("a "));
  QCOMPARE(StripTrailingChar("a", u' '), QString("a"));
  QCOMPARE(StripTrailingChar(" ", u' '), QString());
}

// A bad piece is removed from the text, so reading the written-back text stops elsewhere or not
// at all; and a number typed after the removal never joins its neighbour.
void TestWalkText::RemovedPieceNeverReportedAgain() {
  const WalkReading first = ReadWalk("5 12 40");
  QCOMPARE(first.written_back, QString("5 12 "));
  // Enter appends a space; the user then types 7.
  const WalkReading second = ReadWalk(first.written_back + " 7");
  QCOMPARE(Describe(second.points), QString("0:1:r 1:2:r 2:3:r"));
  QCOMPARE(second.report, WalkReport::kNone);

  const WalkReading twice = ReadWalk("1 X X 2");
  const WalkReading again = ReadWalk(twice.written_back);
  QCOMPARE(again.report, WalkReport::kNone);
  QCOMPARE(Describe(again.points), QString("0:1:r 1:0:b"));
  QCOMPARE(again.written_back, QString("1 2"));
}

void TestWalkText::ManyNumbers() {
  QString text;
  for (int i = 0; i < 100000; ++i)
    text += QString::number(i % 36 + 1) + ' ';
  const WalkReading reading = ReadWalk(text);
  QCOMPARE(reading.points.size(), std::size_t{100000});
  QCOMPARE(reading.points.back().x, 99999.0);
  QCOMPARE(reading.report, WalkReport::kNone);
  QCOMPARE(reading.written_back, text.left(text.size() - 1));
}

QTEST_APPLESS_MAIN(TestWalkText)
#include "test_walk_text.moc"
