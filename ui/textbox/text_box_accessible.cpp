#include "ui/textbox/text_box_accessible.h"

#include <QScrollBar>

#include <algorithm>

#include "ui/textbox/text_box.h"

namespace ui {

TTextBoxAccessible::TTextBoxAccessible(TTextBox* box)
    : QAccessibleWidget(box, QAccessible::EditableText) {}

TTextBox* TTextBoxAccessible::Box() const {
  return static_cast<TTextBox*>(widget());
}

void* TTextBoxAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface)
    return static_cast<QAccessibleTextInterface*>(this);
  if (type == QAccessible::EditableTextInterface)
    return static_cast<QAccessibleEditableTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TTextBoxAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.editable = true;
  state.multiLine = true;
  state.selectableText = true;
  state.focusable = true;
  return state;
}

QString TTextBoxAccessible::text(QAccessible::Text type) const {
  if (type == QAccessible::Value)
    return Box()->PlainText();
  return QAccessibleWidget::text(type);
}

void TTextBoxAccessible::selection(int selection_index, int* start_offset, int* end_offset) const {
  *start_offset = *end_offset = 0;
  if (selection_index != 0 || Box()->SelectionStart() == Box()->SelectionEnd())
    return;
  *start_offset = static_cast<int>(Box()->SelectionStart());
  *end_offset = static_cast<int>(Box()->SelectionEnd());
}

int TTextBoxAccessible::selectionCount() const {
  return Box()->SelectionStart() == Box()->SelectionEnd() ? 0 : 1;
}

void TTextBoxAccessible::addSelection(int start_offset, int end_offset) {
  setSelection(0, start_offset, end_offset);
}

void TTextBoxAccessible::removeSelection(int selection_index) {
  if (selection_index == 0)
    Box()->Buffer().MoveCaret(Box()->CaretPosition(), false);
}

void TTextBoxAccessible::setSelection(int selection_index, int start_offset, int end_offset) {
  if (selection_index != 0)
    return;
  Box()->Buffer().Select(start_offset, end_offset);
}

int TTextBoxAccessible::cursorPosition() const {
  return static_cast<int>(Box()->CaretPosition());
}

void TTextBoxAccessible::setCursorPosition(int position) {
  Box()->SetCaret(position);
}

QString TTextBoxAccessible::text(int start_offset, int end_offset) const {
  const QString& all = Box()->PlainText();
  const qsizetype from = std::clamp<qsizetype>(start_offset, 0, all.size());
  const qsizetype to = std::clamp<qsizetype>(end_offset, from, all.size());
  return all.mid(from, to - from);
}

int TTextBoxAccessible::characterCount() const {
  return static_cast<int>(Box()->Length());
}

void TTextBoxAccessible::Span(int offset, QAccessible::TextBoundaryType type, int* start,
                              int* end) const {
  const QString& all = Box()->PlainText();
  const qsizetype size = all.size();
  qsizetype at = std::clamp<qsizetype>(offset, 0, size);
  qsizetype from = at;
  qsizetype to = at;
  switch (type) {
    case QAccessible::CharBoundary:
      to = Box()->Buffer().Next(at, TTextBuffer::Unit::kCharacter);
      break;
    case QAccessible::WordBoundary:
      // A word with the spaces after it, as Qt's text widgets report it.
      from = Box()->Buffer().WordAt(at).first;
      to = Box()->Buffer().Next(from, TTextBuffer::Unit::kWord);
      if (from == to && to < size)
        ++to;
      break;
    case QAccessible::LineBoundary: {
      const int line = Box()->LineOfPosition(at);
      from = Box()->LineStart(line);
      to = line + 1 < Box()->DisplayLines() ? Box()->LineStart(line + 1) : size;
      break;
    }
    case QAccessible::SentenceBoundary:
    case QAccessible::ParagraphBoundary:
      while (from > 0 && all[from - 1] != u'\n')
        --from;
      while (to < size && all[to] != u'\n')
        ++to;
      if (to < size)
        ++to;
      break;
    case QAccessible::NoBoundary:
      from = 0;
      to = size;
      break;
  }
  *start = static_cast<int>(from);
  *end = static_cast<int>(to);
}

QString TTextBoxAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                         int* start_offset, int* end_offset) const {
  Span(offset, type, start_offset, end_offset);
  return text(*start_offset, *end_offset);
}

QString TTextBoxAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                             int* start_offset, int* end_offset) const {
  int start = 0;
  int end = 0;
  Span(offset, type, &start, &end);
  if (start <= 0) {
    *start_offset = *end_offset = 0;
    return QString();
  }
  Span(start - 1, type, start_offset, end_offset);
  return text(*start_offset, *end_offset);
}

QString TTextBoxAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                            int* start_offset, int* end_offset) const {
  int start = 0;
  int end = 0;
  Span(offset, type, &start, &end);
  if (end >= characterCount()) {
    *start_offset = *end_offset = characterCount();
    return QString();
  }
  Span(end, type, start_offset, end_offset);
  return text(*start_offset, *end_offset);
}

QRect TTextBoxAccessible::characterRect(int offset) const {
  QRect rect = Box()->CursorRect(offset);
  rect.setWidth(std::max(1, Box()->CursorRect(offset + 1).left() - rect.left()));
  return QRect(Box()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int TTextBoxAccessible::offsetAtPoint(const QPoint& point) const {
  return static_cast<int>(Box()->PositionAt(Box()->viewport()->mapFromGlobal(point)));
}

void TTextBoxAccessible::scrollToSubstring(int start_index, int /*end_index*/) {
  Box()->verticalScrollBar()->setValue(Box()->LineOfPosition(start_index));
}

QString TTextBoxAccessible::attributes(int offset, int* start_offset, int* end_offset) const {
  // Plain text: one run without attributes over the whole text, reported around the offset.
  *start_offset = std::clamp(offset, 0, characterCount());
  *end_offset = *start_offset;
  return QString();
}

void TTextBoxAccessible::deleteText(int start_offset, int end_offset) {
  Box()->Replace(start_offset, end_offset - start_offset, QString());
}

void TTextBoxAccessible::insertText(int offset, const QString& text) {
  Box()->Replace(offset, 0, text);
}

void TTextBoxAccessible::replaceText(int start_offset, int end_offset, const QString& text) {
  Box()->Replace(start_offset, end_offset - start_offset, text);
}

QAccessibleInterface* TextBoxAccessibleFactory(const QString&, QObject* object) {
  if (auto* box = qobject_cast<TTextBox*>(object))
    return new TTextBoxAccessible(box);
  return nullptr;
}

}  // namespace ui
