#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "ui/accessibility.h"
#include "ui/textbox/text_box.h"

// The editing keys of TTextBox, each run beside a QPlainTextEdit with the same text, caret and
// selection: the two must end with the same text, caret and selection, and with the values the
// row names.

namespace {

struct State {
  QString text;
  int caret = 0;
  int anchor = 0;
  bool operator==(const State&) const = default;
};

QString Describe(const State& s) {
  return QString("\"%1\" caret %2 anchor %3").arg(s.text).arg(s.caret).arg(s.anchor);
}

void Prepare(ui::TTextBox& box, const State& s) {
  box.Replace(0, box.Length(), s.text);
  box.SetCaret(s.anchor);
  box.SetCaret(s.caret, true);
}

void Prepare(QPlainTextEdit& box, const State& s) {
  box.setPlainText(s.text);
  QTextCursor cursor = box.textCursor();
  cursor.setPosition(s.anchor);
  cursor.setPosition(s.caret, QTextCursor::KeepAnchor);
  box.setTextCursor(cursor);
}

State Read(const ui::TTextBox& box) {
  return {box.PlainText(), static_cast<int>(box.CaretPosition()),
          static_cast<int>(box.AnchorPosition())};
}

State Read(const QPlainTextEdit& box) {
  QString text = box.document()->toRawText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  return {text, box.textCursor().position(), box.textCursor().anchor()};
}

template <typename Box>
void Press(Box& box, const QKeySequence& keys, const QString& typed) {
  if (!keys.isEmpty())
    QTest::keySequence(&box, keys);
  if (!typed.isEmpty())
    QTest::keyClicks(&box, typed);
}

}  // namespace

Q_DECLARE_METATYPE(State)

class TestTextBox : public QObject {
  Q_OBJECT

 private slots:
  // The boxes here are made directly, not through the main window's fixture.
  void initTestCase() { ui::InstallAccessibilityFactories(); }
  void EditingKeys_data();
  void EditingKeys();
  void TypingIsUndoneAsOneStep();
  void UndoStepsAsQPlainTextEdit_data();
  void UndoStepsAsQPlainTextEdit();
  void KeyTextIsTypedWhole_data();
  void KeyTextIsTypedWhole();
  void PageKeysMoveByTheLinesInView();
  void CopyCutPasteAndTheSelectionClipboard();
  void DoubleClickSelectsAWord();
  void DroppedTextIsInsertedWhereItFalls();
  void ContextMenuHasTheStandardActions();
  void InputMethodCommitsAndPreEdits();
  void AccessibleTextReadsRanges();
  void EditsAreAnnouncedToAccessibility();
  void WheelAndDragPastTheEdgeScroll();
  void CaretBlinksAtTheFlashTime();
};

namespace {

// Shows the box at 300 x 100 pixels holding `text`, the caret at its end.
bool ShowHolding(ui::TTextBox& box, const QString& text) {
  box.resize(300, 100);
  box.show();
  if (!QTest::qWaitForWindowExposed(&box))
    return false;
  box.Replace(0, 0, text);
  return true;
}

// Shows the box at 200 x 100 pixels holding sixty short lines, the caret at the start: a text
// several views tall.
bool ShowSixtyLines(ui::TTextBox& box) {
  box.resize(200, 100);
  box.show();
  if (!QTest::qWaitForWindowExposed(&box))
    return false;
  QStringList numbers;
  for (int i = 0; i < 60; ++i)
    numbers << QString::number(i % 36 + 1);
  box.Replace(0, 0, numbers.join(u'\n'));
  box.SetCaret(0);
  return true;
}

}  // namespace

void TestTextBox::EditingKeys_data() {
  QTest::addColumn<State>("before");
  QTest::addColumn<QKeySequence>("keys");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<State>("after");
  const QString list = "12 34 5";
  const QString lines = "1 2\n34 5\n6";
  auto row = [](const char* name, State before, QKeySequence keys, QString typed, State after) {
    QTest::newRow(name) << before << keys << typed << after;
  };
  row("Right", {list, 0, 0}, QKeySequence(Qt::Key_Right), "", {list, 1, 1});
  row("Shift+Right selects", {list, 0, 0}, QKeySequence("Shift+Right"), "", {list, 1, 0});
  row("Right ends a selection at its end", {list, 1, 4}, QKeySequence(Qt::Key_Right), "",
      {list, 4, 4});
  row("Left ends a selection at its start", {list, 4, 1}, QKeySequence(Qt::Key_Left), "",
      {list, 1, 1});
  row("Left at the start stays", {list, 0, 0}, QKeySequence(Qt::Key_Left), "", {list, 0, 0});
  row("Ctrl+Right to the next word", {list, 0, 0}, QKeySequence("Ctrl+Right"), "", {list, 3, 3});
  row("Ctrl+Left to the word's start", {list, 5, 5}, QKeySequence("Ctrl+Left"), "", {list, 3, 3});
  row("Ctrl+Shift+Left selects back", {list, 7, 7}, QKeySequence("Ctrl+Shift+Left"), "",
      {list, 6, 7});
  row("Home to the line's start", {lines, 6, 6}, QKeySequence(Qt::Key_Home), "", {lines, 4, 4});
  row("End to the line's end", {lines, 4, 4}, QKeySequence(Qt::Key_End), "", {lines, 8, 8});
  row("Shift+End selects to the line's end", {lines, 5, 5}, QKeySequence("Shift+End"), "",
      {lines, 8, 5});
  row("Ctrl+Home", {lines, 6, 6}, QKeySequence("Ctrl+Home"), "", {lines, 0, 0});
  row("Ctrl+Shift+End", {lines, 2, 2}, QKeySequence("Ctrl+Shift+End"), "", {lines, 10, 2});
  row("Down keeps the column", {lines, 1, 1}, QKeySequence(Qt::Key_Down), "", {lines, 5, 5});
  row("Up keeps the column", {lines, 5, 5}, QKeySequence(Qt::Key_Up), "", {lines, 1, 1});
  row("Up on the first line stays", {lines, 2, 2}, QKeySequence(Qt::Key_Up), "", {lines, 2, 2});
  row("Down on the last line stays", {lines, 9, 9}, QKeySequence(Qt::Key_Down), "", {lines, 9, 9});
  row("Shift+Up on the first line selects to the start", {list, 4, 4}, QKeySequence("Shift+Up"), "",
      {list, 0, 4});
  row("Shift+Down on the last line selects to the end", {list, 4, 4}, QKeySequence("Shift+Down"),
      "", {list, 7, 4});
  row("Page Up keeps the column", {lines, 10, 10}, QKeySequence(Qt::Key_PageUp), "", {lines, 1, 1});
  row("Page Down keeps the column", {lines, 1, 1}, QKeySequence(Qt::Key_PageDown), "",
      {lines, 10, 10});
  row("Page Up on the first line leaves the selection", {list, 1, 0}, QKeySequence(Qt::Key_PageUp),
      "", {list, 1, 0});
  row("Backspace", {list, 2, 2}, QKeySequence(Qt::Key_Backspace), "", {"1 34 5", 1, 1});
  row("Backspace at the start", {list, 0, 0}, QKeySequence(Qt::Key_Backspace), "", {list, 0, 0});
  row("Delete", {list, 2, 2}, QKeySequence(Qt::Key_Delete), "", {"1234 5", 2, 2});
  row("Backspace takes the selection", {list, 1, 4}, QKeySequence(Qt::Key_Backspace), "",
      {"14 5", 1, 1});
  row("typing replaces the selection", {list, 0, 2}, QKeySequence(), "7", {"7 34 5", 1, 1});
  row("typing inserts at the caret", {list, 2, 2}, QKeySequence(), " 9", {"12 9 34 5", 4, 4});
  row("Ctrl+Backspace takes the word before", {list, 5, 5}, QKeySequence("Ctrl+Backspace"), "",
      {"12  5", 3, 3});
  row("Ctrl+Delete takes the word after", {list, 3, 3}, QKeySequence("Ctrl+Delete"), "",
      {"12 5", 3, 3});
  row("Enter breaks the line", {list, 2, 2}, QKeySequence(Qt::Key_Return), "", {"12\n 34 5", 3, 3});
  row("Ctrl+A selects all", {list, 2, 2}, QKeySequence::SelectAll, "", {list, 7, 0});
  // Characters are what a person sees as one: a letter with its combining mark, an emoji.
  const QString marked = QString("x\u0301y");
  const QString emoji = QString::fromUtf16(u"a\U0001F600b");
  row("Left over a letter with its mark", {marked, 2, 2}, QKeySequence(Qt::Key_Left), "",
      {marked, 0, 0});
  row("Shift+Right over a letter with its mark", {marked, 0, 0}, QKeySequence("Shift+Right"), "",
      {marked, 2, 0});
  row("Delete takes the letter with its mark", {marked, 0, 0}, QKeySequence(Qt::Key_Delete), "",
      {"y", 0, 0});
  row("Backspace takes the mark alone", {marked, 2, 2}, QKeySequence(Qt::Key_Backspace), "",
      {"xy", 1, 1});
  row("Left over an emoji", {emoji, 3, 3}, QKeySequence(Qt::Key_Left), "", {emoji, 1, 1});
  row("Backspace takes an emoji whole", {emoji, 3, 3}, QKeySequence(Qt::Key_Backspace), "",
      {"ab", 1, 1});
  // Words are Qt's: a mark belongs to its word, a run of signs is a word of its own, and a line
  // break stops the word keys.
  row("Ctrl+Left over a word with a mark", {"ab " + marked, 6, 6}, QKeySequence("Ctrl+Left"), "",
      {"ab " + marked, 3, 3});
  row("Ctrl+Left stops at each sign", {"5,12-7", 6, 6}, QKeySequence("Ctrl+Left"), "",
      {"5,12-7", 5, 5});
  row("Ctrl+Right over a run of signs", {"ab -,cd", 3, 3}, QKeySequence("Ctrl+Right"), "",
      {"ab -,cd", 5, 5});
  row("Ctrl+Left to the end of the line before", {"x\n", 2, 2}, QKeySequence("Ctrl+Left"), "",
      {"x\n", 1, 1});
  row("Ctrl+Backspace stops at the line's start", {"\n ", 2, 2}, QKeySequence("Ctrl+Backspace"), "",
      {"\n", 1, 1});
}

void TestTextBox::EditingKeys() {
  QFETCH(State, before);
  QFETCH(QKeySequence, keys);
  QFETCH(QString, typed);
  QFETCH(State, after);
  ui::TTextBox ours;
  QPlainTextEdit theirs;
  for (QWidget* box : {static_cast<QWidget*>(&ours), static_cast<QWidget*>(&theirs)}) {
    box->resize(300, 120);
    box->show();
  }
  Prepare(ours, before);
  Prepare(theirs, before);
  Press(ours, keys, typed);
  Press(theirs, keys, typed);
  QCOMPARE(Describe(Read(ours)), Describe(after));
  QCOMPARE(Describe(Read(theirs)), Describe(after));
}

// A run of typed characters is one undo step, and redo brings it back, as in QPlainTextEdit.
void TestTextBox::TypingIsUndoneAsOneStep() {
  ui::TTextBox ours;
  QPlainTextEdit theirs;
  ours.Replace(0, 0, "5");
  theirs.setPlainText("5");
  ours.SetCaret(1);
  theirs.moveCursor(QTextCursor::End);
  QTest::keyClicks(&ours, " 12 7");
  QTest::keyClicks(&theirs, " 12 7");
  QTest::keySequence(&ours, QKeySequence::Undo);
  QTest::keySequence(&theirs, QKeySequence::Undo);
  QCOMPARE(ours.PlainText(), theirs.toPlainText());
  QCOMPARE(ours.PlainText(), QString("5"));
  QTest::keySequence(&ours, QKeySequence::Redo);
  QCOMPARE(ours.PlainText(), QString("5 12 7"));
  QCOMPARE(ours.CaretPosition(), 6);
  // Backspaces in a row are one step as well.
  QTest::keyClick(&ours, Qt::Key_Backspace);
  QTest::keyClick(&ours, Qt::Key_Backspace);
  QCOMPARE(ours.PlainText(), QString("5 12"));
  ours.undo();
  QCOMPARE(ours.PlainText(), QString("5 12 7"));
  QVERIFY(ours.IsRedoAvailable());
}

void TestTextBox::UndoStepsAsQPlainTextEdit_data() {
  // Each step is a key sequence, or text to type when it starts with "type ".
  QTest::addColumn<State>("before");
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<QString>("clipboard");
  auto row = [](const char* name, State before, QStringList steps, QString clipboard = "p") {
    QTest::newRow(name) << before << steps << clipboard;
  };
  row("typing over a selection and on is one step", {"5 12", 0, 4},
      {"type 7", "type 5", "Ctrl+Z", "Ctrl+Shift+Z", "Ctrl+Z"});
  row("undo leaves the caret after the restored text, nothing selected", {"1234", 2, 2},
      {"Shift+Left", "Shift+Left", "Backspace", "Ctrl+Z", "Ctrl+Y"});
  row("a run of Backspace, then typing", {"5 12 7", 4, 4},
      {"Backspace", "Backspace", "type 9", "Ctrl+Z", "Ctrl+Z", "Ctrl+Z"});
  row("Delete and Backspace that touch are one run", {"abc", 1, 1},
      {"Delete", "Backspace", "Ctrl+Z"});
  row("each word removal is a step", {"5 12 7", 6, 6},
      {"Ctrl+Backspace", "Ctrl+Backspace", "Ctrl+Z", "Ctrl+Delete", "Ctrl+Z", "Ctrl+Z"});
  row("paste, then typing", {"5 12", 4, 4}, {"Ctrl+V", "type c", "Ctrl+Z", "Ctrl+Y"});
  row("cut, then typing", {"5 12", 0, 2}, {"Ctrl+X", "type 3", "Ctrl+Z", "Ctrl+Z"});
  row("typing after undo starts a new step", {"", 0, 0},
      {"type  ", "Ctrl+V", "Ctrl+Z", "type 8", "Ctrl+Z"}, "4");
  // Two runs that touch in the text yet were typed apart are two steps.
  row("typing beside earlier typing after typing elsewhere", {"abcdef", 5, 5},
      {"type X", "Home", "type Y", "Ctrl+Z", "End", "Left", "type Z", "Ctrl+Z", "Ctrl+Z"});
  row("Backspace over characters typed at different times", {"abcdef", 3, 3},
      {"type X", "Right", "Backspace", "Backspace", "Ctrl+Z", "Ctrl+Z"});
  // Text typed at the end of a written text lies beside it in the store only when the written
  // text holds no line break.
  row("Backspace over typed and written text on one line", {"5 1", 3, 3},
      {"type 2", "Backspace", "Backspace", "Backspace", "Ctrl+Z", "Ctrl+Z"});
  row("Backspace over typed and written text after a line break", {"5\n1", 3, 3},
      {"type 2", "Backspace", "Backspace", "Ctrl+Z", "Ctrl+Z", "Ctrl+Z"});
}

// Undo and redo restore the same steps as QPlainTextEdit's and leave the same caret: after every
// step the two boxes hold the same text, caret, anchor and undo and redo availability.
void TestTextBox::UndoStepsAsQPlainTextEdit() {
  QFETCH(State, before);
  QFETCH(QStringList, steps);
  QFETCH(QString, clipboard);
  ui::TTextBox ours;
  QPlainTextEdit theirs;
  ours.Write(0, ours.Length(), before.text);
  ours.SetCaret(before.anchor);
  ours.SetCaret(before.caret, true);
  Prepare(theirs, before);
  QGuiApplication::clipboard()->setText(clipboard);
  for (const QString& step : steps) {
    for (QWidget* box : {static_cast<QWidget*>(&ours), static_cast<QWidget*>(&theirs)}) {
      if (step.startsWith("type "))
        QTest::keyClicks(box, step.mid(5));
      else
        QTest::keySequence(box, QKeySequence(step));
    }
    const QString where = step + ": " + Describe(Read(theirs));
    QCOMPARE(Describe(Read(ours)), Describe(Read(theirs)));
    QVERIFY2(ours.IsUndoAvailable() == theirs.document()->isUndoAvailable(), qPrintable(where));
    QVERIFY2(ours.IsRedoAvailable() == theirs.document()->isRedoAvailable(), qPrintable(where));
  }
}

void TestTextBox::KeyTextIsTypedWhole_data() {
  QTest::addColumn<QString>("key_text");
  QTest::addColumn<QString>("text");
  QTest::newRow("an emoji") << QString::fromUtf16(u"\U0001F600")
                            << QString::fromUtf16(u"a\U0001F600b");
  QTest::newRow("a composed letter") << QString("x\u0301") << QString("ax\u0301b");
  QTest::newRow("a digit") << QString("7") << QString("a7b");
  QTest::newRow("a control character") << QString("\x01") << QString("ab");
}

// A key press whose text is a surrogate pair or several characters types them all, as in
// QPlainTextEdit.
void TestTextBox::KeyTextIsTypedWhole() {
  QFETCH(QString, key_text);
  QFETCH(QString, text);
  ui::TTextBox ours;
  QPlainTextEdit theirs;
  ours.Write(0, 0, "ab");
  ours.SetCaret(1);
  Prepare(theirs, {"ab", 1, 1});
  for (QWidget* box : {static_cast<QWidget*>(&ours), static_cast<QWidget*>(&theirs)}) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key_text);
    QCoreApplication::sendEvent(box, &press);
  }
  QCOMPARE(Describe(Read(theirs)),
           Describe({text, int(1 + text.size() - 2), int(1 + text.size() - 2)}));
  QCOMPARE(Describe(Read(ours)), Describe(Read(theirs)));
}

void TestTextBox::PageKeysMoveByTheLinesInView() {
  ui::TTextBox box;
  QVERIFY(ShowSixtyLines(box));
  const int page = box.verticalScrollBar()->pageStep();
  QVERIFY(page >= 2);
  QTest::keyClick(&box, Qt::Key_PageDown);
  QCOMPARE(box.LineOfPosition(box.CaretPosition()), page);
  QVERIFY(box.verticalScrollBar()->value() > 0);
  QTest::keyClick(&box, Qt::Key_PageDown, Qt::ShiftModifier);
  QCOMPARE(box.LineOfPosition(box.CaretPosition()), 2 * page);
  QCOMPARE(box.AnchorPosition(), box.LineStart(page));
  QTest::keyClick(&box, Qt::Key_PageUp);
  QCOMPARE(box.LineOfPosition(box.CaretPosition()), page);
  QCOMPARE(box.AnchorPosition(), box.CaretPosition());
}

void TestTextBox::CopyCutPasteAndTheSelectionClipboard() {
  ui::TTextBox box;
  QVERIFY(ShowHolding(box, "5 12 7"));
  box.SetCaret(2);
  box.SetCaret(4, true);
  QTest::keySequence(&box, QKeySequence::Copy);
  QCOMPARE(QGuiApplication::clipboard()->text(), QString("12"));
  QTest::keySequence(&box, QKeySequence::Cut);
  QCOMPARE(box.PlainText(), QString("5  7"));
  QGuiApplication::clipboard()->setText("1\r\n2");
  QTest::keySequence(&box, QKeySequence::Paste);
  QCOMPARE(box.PlainText(), QString("5 1\n2 7"));  // line breaks arrive as the box's own
  QCOMPARE(box.CaretPosition(), 5);
  if (QGuiApplication::clipboard()->supportsSelection()) {
    QTest::keyClick(&box, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), QString("2"));
  }
}

void TestTextBox::DoubleClickSelectsAWord() {
  ui::TTextBox box;
  QVERIFY(ShowHolding(box, "5 1234 7"));
  const QRect inside = box.CursorRect(4);
  QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, inside.center());
  QCOMPARE(box.SelectedText(), QString("1234"));
  // Shift+click extends from the anchor.
  QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::ShiftModifier, box.CursorRect(8).center());
  QCOMPARE(box.SelectedText(), QString("1234 7"));
}

void TestTextBox::DroppedTextIsInsertedWhereItFalls() {
  ui::TTextBox box;
  QVERIFY(ShowHolding(box, "5 12 7"));
  QMimeData mime;
  mime.setText("36\r\n1 ");
  const QPoint at = box.CursorRect(2).center() - QPoint(1, 0);
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(box.viewport(), &enter);
  QVERIFY(enter.isAccepted());
  QSignalSpy selection_changes(&box, &ui::TTextBox::selectionChanged);
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(box.viewport(), &drop);
  QVERIFY(drop.isAccepted());
  QCOMPARE(box.PlainText(), QString("5 36\n1 12 7"));
  QCOMPARE(box.SelectedText(), QString("36\n1 "));  // the dropped text stays selected
  QVERIFY(!selection_changes.isEmpty());            // and its selection is announced
  // The drop is one undo step.
  box.undo();
  QCOMPARE(box.PlainText(), QString("5 12 7"));
}

// The menu's texts are Qt's own, with the same contexts as QPlainTextEdit's, so Qt's
// translations apply to both alike.
void TestTextBox::ContextMenuHasTheStandardActions() {
  ui::TTextBox ours;
  QPlainTextEdit theirs;
  ours.Replace(0, 0, "5 12");
  theirs.insertPlainText("5 12");
  ours.selectAll();
  theirs.selectAll();
  const std::unique_ptr<QMenu> mine(ours.CreateStandardContextMenu());
  const std::unique_ptr<QMenu> qt(theirs.createStandardContextMenu());
  auto texts = [](QMenu& menu) {
    QStringList list;
    for (const QAction* action : menu.actions())
      list << (action->isSeparator() ? QString("-")
                                     : action->text() + (action->isEnabled() ? "" : " (off)"));
    return list;
  };
  QCOMPARE(texts(*mine), texts(*qt));
}

void TestTextBox::InputMethodCommitsAndPreEdits() {
  ui::TTextBox box;
  QVERIFY(ShowHolding(box, "5 "));
  QInputMethodEvent composing("1", {});
  QCoreApplication::sendEvent(&box, &composing);
  QCOMPARE(box.PlainText(), QString("5 "));  // pre-edit text is shown, not yet typed
  QInputMethodEvent done;
  done.setCommitString("12");
  QCoreApplication::sendEvent(&box, &done);
  QCOMPARE(box.PlainText(), QString("5 12"));
  QCOMPARE(box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 4);
  QCOMPARE(box.inputMethodQuery(Qt::ImSurroundingText).toString(), QString("5 12"));
}

void TestTextBox::AccessibleTextReadsRanges() {
  ui::TTextBox box;
  QVERIFY(ShowHolding(box, "5 12 7\n36"));
  box.SetCaret(3);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&box);
  QVERIFY(accessible != nullptr);
  QCOMPARE(accessible->role(), QAccessible::EditableText);
  QVERIFY(accessible->state().multiLine);
  QAccessibleTextInterface* text = accessible->textInterface();
  QVERIFY(text != nullptr);
  QCOMPARE(text->characterCount(), 9);
  QCOMPARE(text->text(2, 4), QString("12"));
  QCOMPARE(text->cursorPosition(), 3);
  int start = 0;
  int end = 0;
  QCOMPARE(text->textAtOffset(3, QAccessible::WordBoundary, &start, &end), QString("12 "));
  QCOMPARE(start, 2);
  QCOMPARE(text->textAfterOffset(3, QAccessible::WordBoundary, &start, &end), QString("7"));
  QCOMPARE(text->textAtOffset(8, QAccessible::LineBoundary, &start, &end), QString("36"));
  QAccessibleEditableTextInterface* editable = accessible->editableTextInterface();
  QVERIFY(editable != nullptr);
  editable->insertText(0, "1 ");
  QCOMPARE(box.PlainText(), QString("1 5 12 7\n36"));
}

namespace {

QStringList& AccessibleEvents() {
  static QStringList events;
  return events;
}

void RecordAccessibleEvent(QAccessibleEvent* event) {
  switch (event->type()) {
    case QAccessible::TextInserted: {
      auto* inserted = static_cast<QAccessibleTextInsertEvent*>(event);
      AccessibleEvents() << QString("insert %1 \"%2\"")
                                .arg(inserted->changePosition())
                                .arg(inserted->textInserted());
      break;
    }
    case QAccessible::TextRemoved: {
      auto* removed = static_cast<QAccessibleTextRemoveEvent*>(event);
      AccessibleEvents()
          << QString("remove %1 \"%2\"").arg(removed->changePosition()).arg(removed->textRemoved());
      break;
    }
    case QAccessible::TextUpdated: {
      auto* updated = static_cast<QAccessibleTextUpdateEvent*>(event);
      AccessibleEvents() << QString("update %1 \"%2\" -> \"%3\"")
                                .arg(updated->changePosition())
                                .arg(updated->textRemoved(), updated->textInserted());
      break;
    }
    case QAccessible::TextCaretMoved:
      AccessibleEvents()
          << QString("caret %1")
                 .arg(static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition());
      break;
    default:
      break;
  }
}

}  // namespace

// A screen reader follows typing: every edit sends what was inserted, removed or replaced where,
// and every caret move its new place.
void TestTextBox::EditsAreAnnouncedToAccessibility() {
  ui::TTextBox box;
  QVERIFY(ShowHolding(box, "5 12"));
  box.SetCaret(4);
  QAccessible::installUpdateHandler(RecordAccessibleEvent);
  // As when a screen reader has registered: Qt passes events on only then.
  QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
  QVERIFY(platform != nullptr);
  platform->setActive(true);
  AccessibleEvents().clear();
  QTest::keyClicks(&box, "7");
  QTest::keyClick(&box, Qt::Key_Backspace);
  QTest::keyClick(&box, Qt::Key_Left);
  box.Replace(2, 2, "36");
  QAccessible::installUpdateHandler(nullptr);
  platform->setActive(false);
  QCOMPARE(AccessibleEvents(),
           QStringList({"insert 4 \"7\"", "caret 5", "remove 4 \"7\"", "caret 4", "caret 3",
                        "update 2 \"12\" -> \"36\"", "caret 4"}));
}

void TestTextBox::WheelAndDragPastTheEdgeScroll() {
  ui::TTextBox box;
  QVERIFY(ShowSixtyLines(box));
  QScrollBar* bar = box.verticalScrollBar();
  QCOMPARE(bar->value(), 0);
  QWheelEvent wheel(QPointF(50, 50), box.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(box.viewport(), &wheel);
  QVERIFY(bar->value() > 0);
  const int after_wheel = bar->value();
  // Pressed on the first line in view, dragged below the box: the view goes on scrolling and
  // the selection with it.
  QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::NoModifier,
                    box.CursorRect(box.LineStart(bar->value())).center());
  QMouseEvent move(QEvent::MouseMove, QPointF(20, box.viewport()->height() + 20),
                   box.viewport()->mapToGlobal(QPointF(20, box.viewport()->height() + 20)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(box.viewport(), &move);
  QTRY_VERIFY(bar->value() > after_wheel + 3);
  QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(20, box.viewport()->height() + 20));
  const int scrolled = bar->value();
  QTest::qWait(120);
  QCOMPARE(bar->value(), scrolled);  // the release stops it
  QVERIFY(box.LineOfPosition(box.CaretPosition()) >= scrolled);
  QCOMPARE(box.AnchorPosition(), box.LineStart(after_wheel));
}

// The caret shows and hides by turns, each half of the desktop's flash time, while the box has
// the focus; with the focus elsewhere it is not drawn.
void TestTextBox::CaretBlinksAtTheFlashTime() {
  QApplication::setCursorFlashTime(400);
  ui::TTextBox box;
  box.resize(200, 60);
  box.show();
  box.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&box));
  box.setFocus();
  QTRY_VERIFY(box.hasFocus());
  box.Replace(0, 0, "5    ");  // spaces around the caret, so only the caret has ink there
  const QRect caret = box.CursorRect(box.CaretPosition()).adjusted(-1, 0, 1, 0);
  auto shown = [&] {
    box.viewport()->repaint();
    const QImage image = box.viewport()->grab(caret).toImage();
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, y) != box.palette().color(QPalette::Base))
          return true;
      }
    }
    return false;
  };
  QVERIFY(shown());  // an edit shows it at once
  QTRY_VERIFY_WITH_TIMEOUT(!shown(), 1000);
  QTRY_VERIFY_WITH_TIMEOUT(shown(), 1000);
  box.clearFocus();
  QTest::qWait(250);
  QVERIFY(!shown());
}

QTEST_MAIN(TestTextBox)
#include "test_text_box.moc"
