#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

#include "ui/textbox/text_wrap.h"

class QMenu;
class QTextLayout;

namespace ui {

// A plain multi-line text box whose cost per edit does not grow with the text.
//
// QPlainTextEdit lays out and shapes a whole paragraph again on every edit, and a list of numbers
// is one paragraph: at a million numbers one typed character costs over half a second. This box
// keeps the text as one string, wraps it into display lines incrementally (TTextWrap) and shapes
// only the lines in view, one QTextLayout each, kept while their text is unchanged.
//
// Line breaks are '\n'. The vertical scroll bar moves by display lines. Words wrap at spaces and
// anywhere inside a word longer than the line. Editing: the caret keys with and without Shift,
// the standard shortcuts of QKeySequence, mouse selection with auto-scroll, double-click for a
// word, Shift+click, drag and drop of text, the X11 selection (middle-click pastes it), a context
// menu with Qt's own translated actions, input methods, and undo/redo that groups typing and
// deleting runs.
class TTextBox : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TTextBox(QWidget* parent = nullptr);
  ~TTextBox() override;

  const QString& PlainText() const { return text_; }
  // What an edit does to the caret and the selection's anchor: kFollows puts the caret after the
  // new text; kStays keeps both where they were in the text around the edit, as a text cursor
  // of its own would (inside the replaced span they go to its start, at its end after the new
  // text).
  enum class CaretRule { kFollows, kStays };
  // Replaces `length` code units at `at` by `text` as one undoable edit.
  void Replace(qsizetype at, qsizetype length, const QString& text,
               CaretRule rule = CaretRule::kFollows);
  qsizetype Length() const { return text_.size(); }
  // The program's own write: `length` code units at `at` become `text`, the caret and the anchor
  // keep their places in the text around it (CaretRule::kStays). Writing nothing is no write.
  // Otherwise it is no undo step and clears
  // the undo and redo history, as QPlainTextEdit::setPlainText does, so undo never goes behind
  // what the program wrote.
  void Write(qsizetype at, qsizetype length, const QString& text);

  qsizetype CaretPosition() const { return caret_; }
  qsizetype AnchorPosition() const { return anchor_; }
  qsizetype SelectionStart() const { return std::min(caret_, anchor_); }
  qsizetype SelectionEnd() const { return std::max(caret_, anchor_); }
  QString SelectedText() const;
  // Moves the caret to `position`, extending the selection from the anchor when `keep_anchor`,
  // and scrolls it into view.
  void SetCaret(qsizetype position, bool keep_anchor = false);

  // The caret's rectangle at `position`, in the viewport's coordinates.
  QRect CursorRect(qsizetype position);
  // The display lines for the current width; a box not shown yet is wrapped for its own size.
  int DisplayLines();
  int LineHeight() const;

  bool TabChangesFocus() const { return tab_changes_focus_; }
  void SetTabChangesFocus(bool changes) { tab_changes_focus_ = changes; }

  bool IsUndoAvailable() const { return undo_at_ > 0; }
  bool IsRedoAvailable() const { return undo_at_ < undo_.size(); }
  QMenu* CreateStandardContextMenu();
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  // The text of a display line, its line break excluded; the accessibility interface and input
  // methods read text line by line through this and PlainText().
  int LineOfPosition(qsizetype position);
  qsizetype LineStart(int line);
  qsizetype LineEnd(int line);
  // The text position nearest to a viewport point.
  qsizetype PositionAt(QPoint point);

 public slots:
  void copy();
  void cut();
  void paste();
  void selectAll();
  void undo();
  void redo();
  void clear();

 signals:
  void textChanged();
  void cursorPositionChanged();
  void selectionChanged();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void changeEvent(QEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  enum class Merge { kNone, kTyping, kBackspace, kDelete };
  struct Edit {
    qsizetype at = 0;
    QString removed;
    QString inserted;
    qsizetype caret_before = 0;
    qsizetype anchor_before = 0;
    Merge merge = Merge::kNone;
  };

  // The one place the text changes: wraps, notifies and repaints.
  void Apply(qsizetype at, qsizetype length, const QString& text);
  void Record(qsizetype at, qsizetype length, const QString& text, Merge merge,
              CaretRule rule = CaretRule::kFollows);
  void Insert(const QString& text, Merge merge);
  void DeleteSelectionOr(qsizetype from, qsizetype to, Merge merge);
  bool HandleShortcut(QKeyEvent* event);
  bool IsEditingKey(QKeyEvent* event) const;
  void MoveVertically(int lines, bool keep_anchor);
  qsizetype WordStart(qsizetype position) const;
  qsizetype WordEnd(qsizetype position) const;
  qsizetype PreviousWord(qsizetype position) const;
  qsizetype NextWord(qsizetype position) const;

  double WrapWidth() const;
  void EnsureWrapped();
  void UpdateScrollBar();
  int VisibleLines() const;
  void EnsureCaretVisible();
  QTextLayout* LayoutOf(int line);
  void RestartBlink();
  void CopyToSelection();
  void StartDrag();
  // Repaints and notifies after the caret or anchor moved; `scroll` brings the caret into view.
  void CaretMoved(qsizetype old_caret, qsizetype old_anchor, bool scroll = true);

  QString text_;
  TTextWrap wrap_;
  bool wrapped_ = false;
  qsizetype caret_ = 0;
  qsizetype anchor_ = 0;
  double preferred_x_ = -1;  // the column kept by Up and Down, -1 when none
  bool tab_changes_focus_ = false;

  std::vector<Edit> undo_;
  size_t undo_at_ = 0;

  QString preedit_;
  bool caret_shown_ = true;
  QBasicTimer blink_;
  QBasicTimer drag_scroll_;
  bool selecting_ = false;
  QPoint drag_point_;
  // A press inside the selection may start dragging it; until the pointer moves far enough.
  bool may_drag_ = false;
  QPoint press_point_;
  qsizetype drop_caret_ = -1;  // where a drag over the box would drop, -1 when none

  std::vector<double> advances_;  // per UTF-16 code unit below 0x3000, negative until measured
  QHash<QString, std::shared_ptr<QTextLayout>> layouts_;
};

}  // namespace ui
