#include "ui/kinds/memo.h"

#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

#include "base/qt_text.h"
#include "ui/handler_guard.h"

namespace ui {
namespace {

// The box's own text has one '\n' per line break; a text without CR is one already and is
// shared, not copied.
QString ToBoxText(const QString& text) {
  if (!text.contains(u'\r'))
    return text;
  QString raw;
  raw.reserve(text.size());
  base::ForEachLine(text, [&](QStringView line, bool ends_with_break) {
    raw.append(line);
    if (ends_with_break)
      raw.append(u'\n');
  });
  return raw;
}

}  // namespace

TMemo::TMemo(QWidget* parent) : TTextBox(parent) {
  SetWantTabs(false);
  connect(this, &TTextBox::textChanged, this, [this] { Raise(OnChange); });
}

QString TMemo::Text() const {
  if (!PlainText().contains(u'\n'))
    return PlainText();
  QString text = PlainText();
  text.replace(u'\n', QStringLiteral("\r\n"));
  return text;
}

void TMemo::SetText(const QString& text) {
  SetPlainText(ToBoxText(text));
}

void TMemo::AppendText(const QString& text) {
  Write(Length(), 0, ToBoxText(text));
}

void TMemo::SetWantTabs(bool want) {
  SetTabChangesFocus(!want);
}

int TMemo::TextLength() const {
  return static_cast<int>(Length());
}

void TMemo::SetSelStart(int position) {
  SetCaret(std::clamp(position, 0, TextLength()));
}

int TMemo::SelStart() const {
  return static_cast<int>(SelectionStart());
}

int TMemo::DisplayLineCount() {
  return DisplayLines();
}

bool TMemo::LastLineEmpty() const {
  return PlainText().isEmpty() || PlainText().back() == u'\n';
}

void TMemo::ScrollLines(int lines) {
  DisplayLines();  // wraps a box not shown yet, which sets the scroll bar's range
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(std::min(bar->value() + lines, bar->maximum()));
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  int key = VirtualKeyCode(event);
  Raise(OnKeyDown, key, event->modifiers());
  if (key == 0 || (key == kEnterKeyCode && !WantReturns)) {
    event->accept();
    return;
  }
  // Tab with Ctrl or Alt does not reach the focus chain, yet it must not type a tab either.
  if (!WantTabs() && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
    event->ignore();
    return;
  }
  TTextBox::keyPressEvent(event);
}

int VirtualKeyCode(const QKeyEvent* event) {
  const int key = event->key();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kEnterKeyCode;
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
