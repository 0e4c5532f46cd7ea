#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

#include "ui/textbox/text_buffer.h"
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
// menu with Qt's own translated actions, input methods, and undo/redo grouped as QPlainTextEdit
// groups it. The text, caret, selection, history and the character and word rules live in a
// TTextBuffer; the box shows it and turns keys, mouse and input methods into its edits.
class TTextBox : public QAbstractScrollArea, private TTextBuffer::Listener {
  Q_OBJECT

 public:
  explicit TTextBox(QWidget* parent = nullptr);
  ~TTextBox() override;

  // The text, the caret, the selection and the undo history, with their editing rules; every
  // edit and every move of the caret or the anchor, made here or on the buffer directly, is
  // shown and announced by the box.
  TTextBuffer& Buffer() { return buffer_; }
  const TTextBuffer& Buffer() const { return buffer_; }

  const QString& PlainText() const { return buffer_.Text(); }
  using CaretRule = TTextBuffer::CaretRule;
  // Replaces `length` code units at `at` by `text` as an undo step of its own.
  void Replace(qsizetype at, qsizetype length, const QString& text,
               CaretRule rule = CaretRule::kFollows) {
    buffer_.Replace(at, length, text, rule);
  }
  // The program's own write (TTextBuffer::Write): no undo step, and the history is cleared.
  void Write(qsizetype at, qsizetype length, const QString& text) {
    buffer_.Write(at, length, text);
  }
  // The program's own write of the whole text, changing only the span that differs; an equal
  // text is no write.
  void SetPlainText(const QString& text) { buffer_.WriteAll(text); }
  qsizetype Length() const { return buffer_.Length(); }

  qsizetype CaretPosition() const { return buffer_.Caret(); }
  qsizetype AnchorPosition() const { return buffer_.Anchor(); }
  qsizetype SelectionStart() const { return buffer_.SelectionStart(); }
  qsizetype SelectionEnd() const { return buffer_.SelectionEnd(); }
  QString SelectedText() const { return buffer_.SelectedText(); }
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

  bool IsUndoAvailable() const { return buffer_.CanUndo(); }
  bool IsRedoAvailable() const { return buffer_.CanRedo(); }
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
  // What the buffer tells: the one place where text changes are shown and announced, and the
  // one place where moves of the caret and the anchor are (signals, accessibility events).
  void TextEdited(qsizetype at, const QString& removed, const QString& inserted) override;
  void SelectionSet(qsizetype old_caret, qsizetype old_anchor, bool scroll) override;

  bool HandleShortcut(QKeyEvent* event);
  bool IsEditingKey(QKeyEvent* event) const;
  void MoveVertically(int lines, bool keep_anchor);
  // The position on a display line nearest to `x` (from the text's left edge, in fractions of a
  // pixel as a text cursor keeps its column), and the x of a position on its line.
  qsizetype PositionOnLine(int line, double x);
  double XOnLine(qsizetype position);

  double WrapWidth() const;
  void EnsureWrapped();
  void UpdateScrollBar();
  int VisibleLines() const;
  void EnsureCaretVisible();
  QTextLayout* LayoutOf(int line);
  void RestartBlink();
  void CopyToSelection();
  void StartDrag();
  // Text dropped or pasted from outside, its line breaks made '\n'.
  static QString FromOutside(QString text);

  TTextBuffer buffer_{this};
  TTextWrap wrap_;
  bool wrapped_ = false;
  double preferred_x_ = -1;  // the x kept by Up, Down and the page keys, -1 when none
  bool tab_changes_focus_ = false;

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
