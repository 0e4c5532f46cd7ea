#include <QTest>

#include <functional>

#include "ui/textbox/text_buffer.h"

// The text buffer without a widget: every change of the text reaches its listener, and every
// placing of the caret and the anchor is told after it is made, so whoever shows the buffer
// always shows what it holds.

namespace {

using ui::TTextBuffer;

// Replays every reported edit on a copy of the text and notes the caret and anchor it is told.
class Mirror : public TTextBuffer::Listener {
 public:
  void TextEdited(qsizetype at, const QString& removed, const QString& inserted) override {
    QCOMPARE(text.mid(at, removed.size()), removed);
    text.replace(at, removed.size(), inserted);
  }
  void SelectionSet(qsizetype, qsizetype, bool) override {
    caret = buffer->Caret();
    anchor = buffer->Anchor();
  }

  const TTextBuffer* buffer = nullptr;
  QString text;
  qsizetype caret = 0;
  qsizetype anchor = 0;
};

using Operation = std::function<void(TTextBuffer&)>;

}  // namespace

Q_DECLARE_METATYPE(Operation)

class TestTextBuffer : public QObject {
  Q_OBJECT

 private slots:
  void EveryChangeIsTold_data();
  void EveryChangeIsTold();
};

void TestTextBuffer::EveryChangeIsTold_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("anchor");
  QTest::addColumn<int>("caret");
  QTest::addColumn<Operation>("operation");
  QTest::addColumn<QString>("after");
  QTest::addColumn<int>("anchor_after");
  QTest::addColumn<int>("caret_after");
  QTest::addColumn<bool>("undoable");

  auto row = [](const char* name, QString text, int anchor, int caret, Operation operation,
                QString after, int anchor_after, int caret_after, bool undoable) {
    QTest::newRow(name) << text << anchor << caret << operation << after << anchor_after
                        << caret_after << undoable;
  };
  row(
      "typing over a selection", "5 12 7", 2, 4, [](TTextBuffer& b) { b.Type("36"); }, "5 36 7", 4,
      4, true);
  row(
      "Backspace takes a code point", QString::fromUtf16(u"x\u0301"), 2, 2,
      [](TTextBuffer& b) { b.Backspace(); }, "x", 1, 1, true);
  row(
      "Delete takes a grapheme", QString::fromUtf16(u"x\u0301y"), 0, 0,
      [](TTextBuffer& b) { b.Delete(); }, "y", 0, 0, true);
  row(
      "a moved drop selects what it dropped", "5 12 7", 2, 4,
      [](TTextBuffer& b) { b.Drop(6, "12", true); }, "5  712", 4, 6, true);
  row(
      "a copied drop selects what it dropped", "5 7", 0, 0,
      [](TTextBuffer& b) { b.Drop(1, " 9", false); }, "5 9 7", 1, 3, true);
  row(
      "undo", "5 12", 4, 4,
      [](TTextBuffer& b) {
        b.Type(" 7");
        b.Undo();
      },
      "5 12", 4, 4, false);
  row(
      "a program write keeps the caret around the span", "5 12 7", 6, 6,
      [](TTextBuffer& b) { b.WriteAll("5 7"); }, "5 7", 3, 3, false);
  row(
      "a program write inside the selection", "5 12 7", 1, 5,
      [](TTextBuffer& b) { b.Write(2, 2, "30"); }, "5 30 7", 1, 5, false);
  row(
      "selecting", "5 12 7", 0, 0, [](TTextBuffer& b) { b.Select(6, 2); }, "5 12 7", 6, 2, false);
}

void TestTextBuffer::EveryChangeIsTold() {
  QFETCH(QString, text);
  QFETCH(int, anchor);
  QFETCH(int, caret);
  QFETCH(Operation, operation);
  QFETCH(QString, after);
  QFETCH(int, anchor_after);
  QFETCH(int, caret_after);
  QFETCH(bool, undoable);

  Mirror mirror;
  TTextBuffer buffer(&mirror);
  mirror.buffer = &buffer;
  buffer.Write(0, 0, text);
  buffer.Select(anchor, caret);
  QCOMPARE(mirror.text, text);
  QVERIFY(!buffer.CanUndo());

  operation(buffer);
  QCOMPARE(buffer.Text(), after);
  QCOMPARE(buffer.Anchor(), anchor_after);
  QCOMPARE(buffer.Caret(), caret_after);
  QCOMPARE(mirror.text, buffer.Text());
  QCOMPARE(mirror.anchor, buffer.Anchor());
  QCOMPARE(mirror.caret, buffer.Caret());
  QCOMPARE(buffer.CanUndo(), undoable);
}

QTEST_MAIN(TestTextBuffer)
#include "test_text_buffer.moc"
