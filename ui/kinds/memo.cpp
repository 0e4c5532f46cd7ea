#include "ui/kinds/memo.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/handler_guard.h"
#include "ui/qt_text.h"

namespace ui {
namespace {

constexpr QChar kParagraph = QChar::ParagraphSeparator;

// The document's raw text uses one paragraph separator per line break.
QString ToDocumentText(const QString& text) {
  QString raw;
  raw.reserve(text.size());
  ForEachLine(text, [&](QStringView line, bool ends_with_break) {
    raw.append(line);
    if (ends_with_break)
      raw.append(kParagraph);
  });
  return raw;
}

}  // namespace

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  SetWantTabs(false);
  connect(this, &QPlainTextEdit::textChanged, this, [this] { Raise(OnChange); });
}

QString TMemo::Text() const {
  QString raw = document()->toRawText();
  raw.replace(kParagraph, QStringLiteral("\r\n"));
  return raw;
}

void TMemo::SetText(const QString& text) {
  const QString wanted = ToDocumentText(text);
  const QString current = document()->toRawText();
  if (wanted == current)
    return;
  // Only the span between the common start and the common end is replaced.
  const qsizetype limit = std::min(wanted.size(), current.size());
  qsizetype prefix = 0;
  while (prefix < limit && wanted[prefix] == current[prefix])
    ++prefix;
  qsizetype suffix = 0;
  while (suffix < limit - prefix &&
         wanted[wanted.size() - 1 - suffix] == current[current.size() - 1 - suffix]) {
    ++suffix;
  }
  QTextCursor cursor(document());
  cursor.setPosition(static_cast<int>(prefix));
  cursor.setPosition(static_cast<int>(current.size() - suffix), QTextCursor::KeepAnchor);
  cursor.insertText(wanted.mid(prefix, wanted.size() - suffix - prefix));
}

void TMemo::AppendText(const QString& text) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
}

void TMemo::SetWantTabs(bool want) {
  setTabChangesFocus(!want);
}

int TMemo::TextLength() const {
  return document()->characterCount() - 1;
}

void TMemo::SetSelStart(int position) {
  QTextCursor cursor = textCursor();
  cursor.setPosition(std::clamp(position, 0, TextLength()));
  setTextCursor(cursor);
}

int TMemo::SelStart() const {
  return textCursor().selectionStart();
}

void TMemo::LayOutBeforeShown() {
  if (isVisible())
    return;  // a shown box keeps its layout up to date as it is edited and resized
  if (hidden_layout_ == HiddenLayout{size(), document()->revision()})
    return;  // laid out already for this size and text
  // A box that was never shown has had no resize event: its viewport does not have the box's
  // size yet, and the text is laid out without any wrap width.
  QResizeEvent resize(size(), QSize());
  QCoreApplication::sendEvent(this, &resize);
  // Setting the wrap mode anew lays the text out again for the viewport's width.
  const LineWrapMode mode = lineWrapMode();
  setLineWrapMode(NoWrap);
  setLineWrapMode(mode);
  // Blocks are laid out when first painted; counting display lines needs every one of them.
  QAbstractTextDocumentLayout* layout = document()->documentLayout();
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
    layout->blockBoundingRect(block);
  hidden_layout_ = {size(), document()->revision()};
}

int TMemo::DisplayLineCount() {
  LayOutBeforeShown();
  // The plain-text layout measures the document in display lines.
  return static_cast<int>(document()->documentLayout()->documentSize().height());
}

bool TMemo::LastLineEmpty() const {
  return document()->lastBlock().length() == 1;
}

void TMemo::ScrollLines(int lines) {
  LayOutBeforeShown();
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(std::min(bar->value() + lines, bar->maximum()));
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  int key = VirtualKeyCode(event);
  Raise(OnKeyDown, key, event->modifiers());
  if (key == 0 || (key == 13 && !WantReturns)) {
    event->accept();
    return;
  }
  // Tab with Ctrl or Alt does not reach the focus chain, yet it must not type a tab either.
  if (!WantTabs() && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
    event->ignore();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

int VirtualKeyCode(const QKeyEvent* event) {
  const int key = event->key();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    default:
      break;
  }
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
    return key;
  const int cut = key & 0xFFFF;
  return cut == 0 ? 0xFFFF : cut;
}

}  // namespace ui
