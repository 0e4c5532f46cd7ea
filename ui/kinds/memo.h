#pragma once

#include <QTextEdit>

#include <functional>

#include "ui/textbox/text_box.h"

namespace ui {

// A multi-line text box (a TTextBox: word wrap at spaces and inside long words, its cost per
// edit independent of the text's length). Its text is exchanged with line breaks as CR LF; a new
// text edits only the part of the contents it changes, so long lists stay fast to update.
class TMemo : public TTextBox {
 public:
  explicit TMemo(QWidget* parent = nullptr);

  // The whole text, line breaks as CR LF.
  QString Text() const;
  // Replaces the text; an equal text leaves the box untouched. Line breaks may be CR LF, CR or LF.
  // The caret keeps its place in the text around the changed span. The program's write: no undo
  // step, and the undo and redo history is cleared; an equal text is no write and keeps both.
  void SetText(const QString& text);
  // Appends text at the end without touching the rest; a program's write as SetText.
  void AppendText(const QString& text);
  int TextLength() const;

  // Places the caret at `position` (UTF-16 code units from the start), with no selection.
  void SetSelStart(int position);
  int SelStart() const;

  // The number of display lines: every line that word wrap makes counts. Right also before the
  // box is first shown: it is wrapped for its own size then.
  int DisplayLineCount();
  // True when the text is empty or ends with a line break.
  bool LastLineEmpty() const;
  // Scrolls the view down by `lines` display lines, stopping at the last one; the caret stays.
  void ScrollLines(int lines);

  // When false, Enter never inserts a line break.
  bool WantReturns = true;
  // When false (the default), Tab and Shift+Tab move the focus to the next or previous control
  // and never insert a tab; pasted text keeps its tabs either way.
  void SetWantTabs(bool want);
  bool WantTabs() const { return !TabChangesFocus(); }
  // Every key-down, with a virtual-key code (kEnterKeyCode for Enter) the handler may set to 0 to
  // consume it.
  std::function<void(int& key, Qt::KeyboardModifiers shift)> OnKeyDown;
  // Every change of the text.
  std::function<void()> OnChange;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A skinned multi-line text box; a TMemo in every respect.
class TsMemo : public TMemo {
 public:
  using TMemo::TMemo;
};

// A rich-text box. Not a TMemo: the store keeps nothing of it.
class TRichEdit : public QTextEdit {
 public:
  using QTextEdit::QTextEdit;
};

// The virtual-key code of Enter and Return, which OnKeyDown handlers compare the key with.
constexpr int kEnterKeyCode = 13;

// The virtual-key code of a key event: kEnterKeyCode for Enter and Return, 8 Backspace, 9 Tab,
// 27 Escape, 32 Space, 33..40 the navigation keys, 45 Insert, 46 Delete, letters and digits as
// their upper-case ASCII codes; other keys get Qt's key code cut to 16 bits, never 0.
int VirtualKeyCode(const QKeyEvent* event);

}  // namespace ui
