// The text box's mouse: selecting by pressing, dragging and double-clicking, the X11 selection,
// drag and drop of text, and the context menu.
#include "ui/textbox/text_box.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

#include "ui/textbox/text_box_accessible.h"

namespace ui {

// ---- mouse

void TTextBox::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const qsizetype at = PositionAt(point);
    if (buffer_.HasSelection() && at > SelectionStart() && at < SelectionEnd() &&
        !(event->modifiers() & Qt::ShiftModifier)) {
      may_drag_ = true;
      press_point_ = point;
      return;
    }
    SetCaret(at, event->modifiers() & Qt::ShiftModifier);
    preferred_x_ = -1;
    selecting_ = true;
  } else if (event->button() == Qt::MiddleButton) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection()) {
      const QString pasted = FromOutside(clipboard->text(QClipboard::Selection));
      SetCaret(PositionAt(point));
      if (!pasted.isEmpty())
        buffer_.InsertAsStep(pasted);
    }
  }
  event->accept();
}

void TTextBox::mouseMoveEvent(QMouseEvent* event) {
  if (may_drag_ && (event->buttons() & Qt::LeftButton) &&
      (event->position().toPoint() - press_point_).manhattanLength() >=
          QApplication::startDragDistance()) {
    may_drag_ = false;
    StartDrag();
    return;
  }
  if (!selecting_ || !(event->buttons() & Qt::LeftButton))
    return;
  drag_point_ = event->position().toPoint();
  SetCaret(PositionAt(drag_point_), true);
  // Outside the box the selection goes on scrolling while the button is held.
  if (drag_point_.y() < 0 || drag_point_.y() > viewport()->height())
    drag_scroll_.start(50, this);
  else
    drag_scroll_.stop();
}

void TTextBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    if (may_drag_)
      SetCaret(PositionAt(event->position().toPoint()));  // a click in the selection, no drag
    may_drag_ = false;
    selecting_ = false;
    drag_scroll_.stop();
    CopyToSelection();
  }
}

void TTextBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton)
    return;
  const auto [from, to] = buffer_.WordAt(PositionAt(event->position().toPoint()));
  buffer_.Select(from, to);
  CopyToSelection();
}

// ---- drag and drop

void TTextBox::StartDrag() {
  const qsizetype from = SelectionStart();
  const qsizetype to = SelectionEnd();
  auto* mime = new QMimeData;
  mime->setText(SelectedText());
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
  // A move into another widget takes the text out here; a move inside this box did it on drop.
  if (action == Qt::MoveAction && drag->target() != viewport() && drag->target() != this &&
      PlainText().mid(from, to - from) == mime->text()) {
    buffer_.Select(from, to);
    buffer_.RemoveAsStep(from, to);
  }
}

void TTextBox::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasText())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TTextBox::dragMoveEvent(QDragMoveEvent* event) {
  if (!event->mimeData()->hasText()) {
    event->ignore();
    return;
  }
  drop_caret_ = PositionAt(event->position().toPoint());
  viewport()->update();
  event->acceptProposedAction();
}

void TTextBox::dragLeaveEvent(QDragLeaveEvent*) {
  drop_caret_ = -1;
  viewport()->update();
}

void TTextBox::dropEvent(QDropEvent* event) {
  drop_caret_ = -1;
  if (!event->mimeData()->hasText()) {
    event->ignore();
    return;
  }
  const QString dropped = FromOutside(event->mimeData()->text());
  const qsizetype at = PositionAt(event->position().toPoint());
  const bool inside = event->source() == this && buffer_.HasSelection();
  if (inside && at >= SelectionStart() && at <= SelectionEnd()) {
    event->ignore();  // dropped onto itself
    return;
  }
  buffer_.Drop(at, dropped, inside && event->dropAction() == Qt::MoveAction);
  event->acceptProposedAction();
  setFocus();
}

// ---- context menu

QMenu* TTextBox::CreateStandardContextMenu() {
  auto* menu = new QMenu(this);
  // Qt's own texts and contexts, so that Qt's installed translations apply.
  auto add = [&](const char* text, QKeySequence::StandardKey key, bool enabled, auto slot) {
    QString label = QCoreApplication::translate("QWidgetTextControl", text);
    const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
    if (!shortcut.isEmpty())
      label += u'\t' + shortcut;
    QAction* action = menu->addAction(label, this, slot);
    action->setEnabled(enabled);
    return action;
  };
  const bool selected = buffer_.HasSelection();
  add("&Undo", QKeySequence::Undo, IsUndoAvailable(), &TTextBox::undo);
  add("&Redo", QKeySequence::Redo, IsRedoAvailable(), &TTextBox::redo);
  menu->addSeparator();
  add("Cu&t", QKeySequence::Cut, selected, &TTextBox::cut);
  add("&Copy", QKeySequence::Copy, selected, &TTextBox::copy);
  add("&Paste", QKeySequence::Paste, !QGuiApplication::clipboard()->text().isEmpty(),
      &TTextBox::paste);
  add("Delete", QKeySequence::UnknownKey, selected, [this] { buffer_.RemoveAsStep(0, 0); });
  menu->addSeparator();
  add("Select All", QKeySequence::SelectAll, !PlainText().isEmpty(), &TTextBox::selectAll);
  return menu;
}

void TTextBox::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = CreateStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

}  // namespace ui
