#include <QRandomGenerator>
#include <QTest>

#include <vector>

#include "ui/textbox/text_wrap.h"

using Starts = std::vector<qsizetype>;
Q_DECLARE_METATYPE(Starts)

namespace {

// Every character one unit wide, so a width counts characters.
double Unit(const QString&, qsizetype) {
  return 1.0;
}

}  // namespace

class TestTextWrap : public QObject {
  Q_OBJECT

 private slots:
  void LineStarts_data();
  void LineStarts();
  void IncrementalEqualsFull_data();
  void IncrementalEqualsFull();
  void LineOfAPosition();
  void AnEditMeasuresOnlyTheLinesNearIt_data();
  void AnEditMeasuresOnlyTheLinesNearIt();
};

void TestTextWrap::LineStarts_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("width");
  QTest::addColumn<Starts>("starts");
  QTest::newRow("empty") << "" << 5.0 << Starts{0};
  QTest::newRow("fits") << "1 2 3" << 5.0 << Starts{0};
  QTest::newRow("wraps after the last space") << "12 34 56" << 6.0 << Starts{0, 6};
  QTest::newRow("spaces hang past the width") << "1234   56" << 4.0 << Starts{0, 7};
  QTest::newRow("trailing spaces start no line") << "1234    " << 4.0 << Starts{0};
  QTest::newRow("a long word is cut anywhere") << "1234567890" << 4.0 << Starts{0, 4, 8};
  QTest::newRow("a long word after a short one") << "1 234567" << 4.0 << Starts{0, 2, 6};
  QTest::newRow("line breaks are kept") << "1\n2\n\n3" << 9.0 << Starts{0, 2, 4, 5};
  QTest::newRow("a break at the end adds an empty line") << "12\n" << 9.0 << Starts{0, 3};
  QTest::newRow("a break fills a full line") << "1234\n5" << 4.0 << Starts{0, 5};
  QTest::newRow("one character even when it does not fit") << "123" << 0.5 << Starts{0, 1, 2};
  QTest::newRow("a surrogate pair is never cut")
      << QString::fromUtf8("\xF0\x9F\x8E\xB2\xF0\x9F\x8E\xB2") << 1.0 << Starts{0, 2};
}

void TestTextWrap::LineStarts() {
  QFETCH(QString, text);
  QFETCH(double, width);
  QFETCH(Starts, starts);
  QCOMPARE(ui::TTextWrap::Wrap(text, width, Unit), starts);
  ui::TTextWrap wrap;
  wrap.Reset(text, width);
  QCOMPARE(wrap.Starts(), starts);
}

void TestTextWrap::IncrementalEqualsFull_data() {
  QTest::addColumn<double>("width");
  QTest::addColumn<bool>("proportional");
  QTest::newRow("narrow, one unit a character") << 3.0 << false;
  QTest::newRow("box-wide, one unit a character") << 40.0 << false;
  QTest::newRow("box-wide, digits wider than spaces") << 37.5 << true;
}

// Thousands of random edits (typing, deleting, pasting with line breaks, long words) keep the
// incrementally wrapped lines equal to the text wrapped from scratch.
void TestTextWrap::IncrementalEqualsFull() {
  QFETCH(double, width);
  QFETCH(bool, proportional);
  const ui::TTextWrap::Advance advance = [proportional](const QString& text, qsizetype at) {
    if (!proportional)
      return 1.0;
    return text[at] == u' ' ? 0.5 : text[at] == u'\n' ? 0.0 : 1.0 + (text[at].unicode() % 3) * 0.25;
  };
  QRandomGenerator random(14);
  const QString pieces[] = {"5",         " ",  "12 ",
                            "\n",        "  ", "1234567890123456789012345678901234567890123",
                            "7 8 9\n10", "36"};
  QString text;
  ui::TTextWrap wrap;
  wrap.SetAdvance(advance);
  wrap.Reset(text, width);
  for (int step = 0; step < 4000; ++step) {
    const qsizetype at = random.bounded(static_cast<int>(text.size()) + 1);
    qsizetype removed = 0;
    QString inserted;
    const int kind = random.bounded(4);
    if (kind == 0 && !text.isEmpty())
      removed = std::min<qsizetype>(text.size() - at, random.bounded(1, 4));
    else if (kind == 1 && !text.isEmpty())
      removed = std::min<qsizetype>(text.size() - at, random.bounded(60));
    if (kind >= 1 || text.isEmpty())
      inserted = pieces[random.bounded(static_cast<int>(std::size(pieces)))];
    if (removed == 0 && inserted.isEmpty())
      continue;
    text.replace(at, removed, inserted);
    wrap.Edit(text, at, removed, inserted.size());
    const auto full = ui::TTextWrap::Wrap(text, width, advance);
    if (wrap.Starts() != full)
      QFAIL(qPrintable(QString("step %1: edit at %2, -%3 +%4")
                           .arg(step)
                           .arg(at)
                           .arg(removed)
                           .arg(inserted.size())));
  }
  QVERIFY(text.size() > 100);
}

void TestTextWrap::LineOfAPosition() {
  ui::TTextWrap wrap;
  const QString text = "12 34 56\n";
  wrap.Reset(text, 6.0);
  QCOMPARE(wrap.Starts(), (Starts{0, 6, 9}));
  QCOMPARE(wrap.LineOf(0), 0);
  QCOMPARE(wrap.LineOf(5), 0);
  QCOMPARE(wrap.LineOf(6), 1);  // a position at a wrap starts the next line
  QCOMPARE(wrap.LineOf(9), 2);
  QCOMPARE(wrap.LineEnd(text, 0), 6);
  QCOMPARE(wrap.LineEnd(text, 1), 8);  // the line break is left out
  QCOMPARE(wrap.LineEnd(text, 2), 9);
}

void TestTextWrap::AnEditMeasuresOnlyTheLinesNearIt_data() {
  QTest::addColumn<double>("where");  // the edit's place, as a share of the text
  QTest::addColumn<int>("removed");
  QTest::addColumn<QString>("inserted");
  QTest::newRow("a digit typed at the end") << 1.0 << 0 << "5";
  QTest::newRow("a space appended") << 1.0 << 0 << " ";
  QTest::newRow("a bad number taken out of the middle") << 0.5 << 3 << "";
  QTest::newRow("a number put into the middle") << 0.5 << 0 << " 99";
  QTest::newRow("the first number changed") << 0.0 << 2 << "36";
}

// An edit anywhere in a list of 100,000 spins measures some dozens of lines' worth of
// characters, a small share of the list. (The spins are random, as a real list is; a list repeating
// with a period that fits the width a whole number of times may keep its new lines out of step with
// the old ones.)
void TestTextWrap::AnEditMeasuresOnlyTheLinesNearIt() {
  QFETCH(double, where);
  QFETCH(int, removed);
  QFETCH(QString, inserted);
  QRandomGenerator random(14);
  QString text;
  for (int i = 0; i < 100000; ++i)
    text += QString::number(random.bounded(1, 37)) + u' ';
  text.chop(1);
  qsizetype measured = 0;
  ui::TTextWrap wrap;
  wrap.SetAdvance([&measured](const QString&, qsizetype) {
    ++measured;
    return 1.0;
  });
  wrap.Reset(text, 100.0);
  QVERIFY(measured >= text.size() - 1);  // a full wrap measures every character
  qsizetype at = static_cast<qsizetype>(where * static_cast<double>(text.size()));
  at = std::min(at, text.size() - removed);
  text.replace(at, removed, inserted);
  measured = 0;
  wrap.Edit(text, at, removed, inserted.size());
  QVERIFY2(measured * 20 <= text.size(), qPrintable(QString::number(measured)));
  QCOMPARE(wrap.Starts(), ui::TTextWrap::Wrap(text, 100.0, Unit));
}

QTEST_APPLESS_MAIN(TestTextWrap)
#include "test_text_wrap.moc"
