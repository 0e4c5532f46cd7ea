// The text box's keyboard: editing keys and shortcuts, the caret's blink while it has the focus,
// and input methods (dead keys, compose, pre-edit text).
#include "ui/textbox/text_box.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>

#include "ui/textbox/text_box_accessible.h"

namespace ui {
namespace {

// Whether the key's text is characters to type: printable ones, a surrogate pair (an emoji) or
// several characters at once (a composed sequence); never a control character.
bool IsTyped(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty())
    return false;
  const char32_t first = text.toUcs4().value(0);
  return QChar::isPrint(first) || QChar::category(first) == QChar::Other_PrivateUse ||
         QChar::category(first) == QChar::Other_Format;
}

}  // namespace

// ---- keys

bool TTextBox::IsEditingKey(QKeyEvent* event) const {
  static const QKeySequence::StandardKey keys[] = {QKeySequence::Copy,
                                                   QKeySequence::Cut,
                                                   QKeySequence::Paste,
                                                   QKeySequence::SelectAll,
                                                   QKeySequence::Undo,
                                                   QKeySequence::Redo,
                                                   QKeySequence::Delete,
                                                   QKeySequence::DeleteStartOfWord,
                                                   QKeySequence::DeleteEndOfWord,
                                                   QKeySequence::MoveToNextChar,
                                                   QKeySequence::MoveToPreviousChar,
                                                   QKeySequence::MoveToNextWord,
                                                   QKeySequence::MoveToPreviousWord,
                                                   QKeySequence::MoveToStartOfLine,
                                                   QKeySequence::MoveToEndOfLine,
                                                   QKeySequence::MoveToStartOfDocument,
                                                   QKeySequence::MoveToEndOfDocument,
                                                   QKeySequence::MoveToNextLine,
                                                   QKeySequence::MoveToPreviousLine,
                                                   QKeySequence::MoveToNextPage,
                                                   QKeySequence::MoveToPreviousPage,
                                                   QKeySequence::SelectNextChar,
                                                   QKeySequence::SelectPreviousChar,
                                                   QKeySequence::SelectNextWord,
                                                   QKeySequence::SelectPreviousWord,
                                                   QKeySequence::SelectStartOfLine,
                                                   QKeySequence::SelectEndOfLine,
                                                   QKeySequence::SelectStartOfDocument,
                                                   QKeySequence::SelectEndOfDocument,
                                                   QKeySequence::SelectNextLine,
                                                   QKeySequence::SelectPreviousLine,
                                                   QKeySequence::SelectNextPage,
                                                   QKeySequence::SelectPreviousPage};
  for (QKeySequence::StandardKey key : keys) {
    if (event->matches(key))
      return true;
  }
  return IsTyped(event) && !(event->modifiers() & Qt::ControlModifier);
}

bool TTextBox::HandleShortcut(QKeyEvent* event) {
  const int page = std::max(1, VisibleLines());
  using Unit = TTextBuffer::Unit;
  struct Move {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    std::function<void(bool)> go;
  };
  const Move moves[] = {
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar,
       [this](bool keep) {
         buffer_.MoveCaret(!keep && buffer_.HasSelection()
                               ? SelectionEnd()
                               : buffer_.Next(buffer_.Caret(), Unit::kCharacter),
                           keep);
       }},
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar,
       [this](bool keep) {
         buffer_.MoveCaret(!keep && buffer_.HasSelection()
                               ? SelectionStart()
                               : buffer_.Previous(buffer_.Caret(), Unit::kCharacter),
                           keep);
       }},
      {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord,
       [this](bool keep) { buffer_.MoveCaret(buffer_.Next(buffer_.Caret(), Unit::kWord), keep); }},
      {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord,
       [this](bool keep) {
         buffer_.MoveCaret(buffer_.Previous(buffer_.Caret(), Unit::kWord), keep);
       }},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine,
       [this](bool keep) { SetCaret(LineStart(LineOfPosition(buffer_.Caret())), keep); }},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine,
       [this](bool keep) {
         const int line = LineOfPosition(buffer_.Caret());
         qsizetype end = LineEnd(line);
         // At a wrap the caret stays before the spaces that end the line.
         if (line + 1 < wrap_.LineCount() && end == LineStart(line + 1) && end > LineStart(line) &&
             PlainText()[end - 1] == u' ')
           --end;
         SetCaret(end, keep);
       }},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument,
       [this](bool keep) { SetCaret(0, keep); }},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument,
       [this](bool keep) { SetCaret(Length(), keep); }},
      {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine,
       [this](bool keep) { MoveVertically(1, keep); }},
      {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine,
       [this](bool keep) { MoveVertically(-1, keep); }},
      {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage,
       [this, page](bool keep) {
         verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
         MoveVertically(page, keep);
       }},
      {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage,
       [this, page](bool keep) {
         verticalScrollBar()->setValue(verticalScrollBar()->value() - page);
         MoveVertically(-page, keep);
       }},
  };
  for (const Move& move : moves) {
    const bool select = event->matches(move.select);
    if (select || event->matches(move.move)) {
      // The x that Up and Down keep is forgotten by every other move (SelectionSet) and kept
      // by MoveVertically.
      move.go(select);
      if (select)
        CopyToSelection();
      return true;
    }
  }
  if (event->matches(QKeySequence::Copy)) {
    copy();
  } else if (event->matches(QKeySequence::Cut)) {
    cut();
  } else if (event->matches(QKeySequence::Paste)) {
    paste();
  } else if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
  } else if (event->matches(QKeySequence::Undo)) {
    undo();
  } else if (event->matches(QKeySequence::Redo)) {
    redo();
  } else if (event->matches(QKeySequence::Delete)) {
    buffer_.Delete();
  } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
    buffer_.RemoveAsStep(buffer_.Previous(buffer_.Caret(), Unit::kWord), buffer_.Caret());
  } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
    buffer_.RemoveAsStep(buffer_.Caret(), buffer_.Next(buffer_.Caret(), Unit::kWord));
  } else {
    return false;
  }
  return true;
}

bool TTextBox::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // Editing keys belong to the box, not to the window's shortcuts.
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsEditingKey(key) || key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
        key->key() == Qt::Key_Enter) {
      event->accept();
      return true;
    }
  }
  if (event->type() == QEvent::KeyPress && !tab_changes_focus_) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      keyPressEvent(key);
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void TTextBox::keyPressEvent(QKeyEvent* event) {
  if (HandleShortcut(event)) {
    event->accept();
    return;
  }
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (key == Qt::Key_Backspace && !(modifiers & ~Qt::ShiftModifier)) {
    buffer_.Backspace();
  } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(modifiers & ~Qt::ShiftModifier)) {
    buffer_.Type(QStringLiteral("\n"));
  } else if (key == Qt::Key_Tab && !tab_changes_focus_ && !(modifiers & ~Qt::ShiftModifier)) {
    buffer_.Type(QStringLiteral("\t"));
  } else if (IsTyped(event) &&
             !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    buffer_.Type(event->text());
  } else {
    event->ignore();
    return;
  }
  event->accept();
}

// ---- caret blink and focus

void TTextBox::RestartBlink() {
  caret_shown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0)
    blink_.start(flash / 2, this);
  else
    blink_.stop();
}

void TTextBox::timerEvent(QTimerEvent* event) {
  if (event->timerId() == blink_.timerId()) {
    caret_shown_ = !caret_shown_;
    viewport()->update(CursorRect(buffer_.Caret()).adjusted(-2, 0, 2, 0));
  } else if (event->timerId() == drag_scroll_.timerId()) {
    QScrollBar* bar = verticalScrollBar();
    if (drag_point_.y() < 0)
      bar->setValue(bar->value() - 1);
    else if (drag_point_.y() > viewport()->height())
      bar->setValue(bar->value() + 1);
    SetCaret(PositionAt(drag_point_), true);
  } else {
    QAbstractScrollArea::timerEvent(event);
  }
}

void TTextBox::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void TTextBox::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink_.stop();
  viewport()->update();
}

// ---- input methods

void TTextBox::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() || event->replacementLength() != 0) {
    if (event->replacementLength() != 0) {
      const qsizetype from =
          std::clamp<qsizetype>(buffer_.Caret() + event->replacementStart(), 0, Length());
      buffer_.Select(from, std::min(from + event->replacementLength(), Length()));
    }
    buffer_.InsertAsStep(event->commitString());
  }
  preedit_ = event->preeditString();
  viewport()->update();
  event->accept();
}

QVariant TTextBox::inputMethodQuery(Qt::InputMethodQuery query) const {
  auto* self = const_cast<TTextBox*>(this);
  // Positions are within the caret's display line, so a query never copies the whole text.
  const int line = self->LineOfPosition(buffer_.Caret());
  const qsizetype start = self->LineStart(line);
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImCursorRectangle:
      return self->CursorRect(buffer_.Caret()).translated(viewport()->pos());
    case Qt::ImFont:
      return font();
    case Qt::ImCursorPosition:
      return static_cast<int>(buffer_.Caret() - start);
    case Qt::ImAnchorPosition:
      return static_cast<int>(std::clamp(buffer_.Anchor(), start, self->LineEnd(line)) - start);
    case Qt::ImSurroundingText:
      return PlainText().mid(start, self->LineEnd(line) - start);
    case Qt::ImCurrentSelection:
      return SelectedText();
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImMaximumTextLength:
      return QVariant();
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

}  // namespace ui
