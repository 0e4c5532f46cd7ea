#include "ui/textbox/text_box.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDrag>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#include "ui/textbox/text_box_accessible.h"

namespace ui {
namespace {

// The space around the text inside the viewport, as QPlainTextEdit's document margin.
constexpr int kMargin = 4;
// Measured advances are kept for the code units below this one.
constexpr int kAdvanceTable = 0x3000;
// Layouts kept for lines no longer in view are dropped past this many.
constexpr qsizetype kLayoutCache = 256;

}  // namespace

TTextBox::TTextBox(QWidget* parent) : QAbstractScrollArea(parent), advances_(kAdvanceTable, -1.0) {
  setAttribute(Qt::WA_InputMethodEnabled);
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  setBackgroundRole(QPalette::Base);
  verticalScrollBar()->setSingleStep(1);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  wrap_.SetAdvance([this](const QString& text, qsizetype at) {
    const QChar c = text[at];
    if (c == u'\n')
      return 0.0;
    const char16_t unit = c.unicode();
    if (unit < kAdvanceTable && !c.isSurrogate()) {
      double& cached = advances_[unit];
      if (cached < 0)
        cached = QFontMetricsF(font()).horizontalAdvance(c);
      return cached;
    }
    if (c.isHighSurrogate() && at + 1 < text.size())
      return QFontMetricsF(font()).horizontalAdvance(text.mid(at, 2));
    return QFontMetricsF(font()).horizontalAdvance(c);
  });
}

TTextBox::~TTextBox() = default;

// ---- what the buffer tells

void TTextBox::TextEdited(qsizetype at, const QString& removed, const QString& inserted) {
  if (wrapped_)
    wrap_.Edit(PlainText(), at, removed.size(), inserted.size());
  preferred_x_ = -1;
  UpdateScrollBar();
  viewport()->update();
  // Only while an assistive client listens; Qt would drop them otherwise.
  if (QAccessible::isActive()) {
    if (removed.isEmpty()) {
      QAccessibleTextInsertEvent event(this, static_cast<int>(at), inserted);
      QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
      QAccessibleTextRemoveEvent event(this, static_cast<int>(at), removed);
      QAccessible::updateAccessibility(&event);
    } else {
      QAccessibleTextUpdateEvent event(this, static_cast<int>(at), removed, inserted);
      QAccessible::updateAccessibility(&event);
    }
  }
  emit textChanged();
}

void TTextBox::SelectionSet(qsizetype old_caret, qsizetype old_anchor, bool scroll) {
  // Every placing of the caret forgets the x that Up and Down keep; they set it again.
  preferred_x_ = -1;
  RestartBlink();
  if (scroll)
    EnsureCaretVisible();
  viewport()->update();
  const qsizetype caret = buffer_.Caret();
  const qsizetype anchor = buffer_.Anchor();
  if (old_caret == caret && old_anchor == anchor)
    return;
  if (QAccessible::isActive()) {
    if (caret != anchor || old_caret != old_anchor) {
      QAccessibleTextSelectionEvent selection(this, static_cast<int>(SelectionStart()),
                                              static_cast<int>(SelectionEnd()));
      selection.setCursorPosition(static_cast<int>(caret));
      QAccessible::updateAccessibility(&selection);
    } else {
      QAccessibleTextCursorEvent moved(this, static_cast<int>(caret));
      QAccessible::updateAccessibility(&moved);
    }
  }
  if (old_caret != caret)
    emit cursorPositionChanged();
  if (old_caret != old_anchor || caret != anchor)
    emit selectionChanged();
}

// ---- edits

void TTextBox::undo() {
  buffer_.Undo();
}

void TTextBox::redo() {
  buffer_.Redo();
}

void TTextBox::clear() {
  Replace(0, Length(), QString());
}

void TTextBox::copy() {
  if (buffer_.HasSelection())
    QGuiApplication::clipboard()->setText(SelectedText());
}

void TTextBox::cut() {
  if (!buffer_.HasSelection())
    return;
  copy();
  buffer_.RemoveAsStep(0, 0);
}

QString TTextBox::FromOutside(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  return text;
}

void TTextBox::paste() {
  const QString pasted = FromOutside(QGuiApplication::clipboard()->text());
  if (!pasted.isEmpty())
    buffer_.InsertAsStep(pasted);
}

void TTextBox::selectAll() {
  buffer_.Select(0, Length());
  CopyToSelection();
}

// ---- caret and selection

void TTextBox::SetCaret(qsizetype position, bool keep_anchor) {
  const QString& text = PlainText();
  position = std::clamp<qsizetype>(position, 0, text.size());
  // Never between the halves of a surrogate pair.
  if (position > 0 && position < text.size() && text[position].isLowSurrogate() &&
      text[position - 1].isHighSurrogate())
    position += position > buffer_.Caret() ? 1 : -1;
  buffer_.MoveCaret(position, keep_anchor);
}

void TTextBox::CopyToSelection() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (buffer_.HasSelection() && clipboard->supportsSelection())
    clipboard->setText(SelectedText(), QClipboard::Selection);
}

void TTextBox::MoveVertically(int lines, bool keep_anchor) {
  EnsureWrapped();
  const int line = wrap_.LineOf(buffer_.Caret());
  if (preferred_x_ < 0)
    preferred_x_ = XOnLine(buffer_.Caret());
  const double x = preferred_x_;
  const int target = std::clamp(line + lines, 0, wrap_.LineCount() - 1);
  if (target == line) {
    // As QPlainTextEdit: Shift+Up on the first line selects to the start and Shift+Down on the
    // last to the end; otherwise a move that finds no line leaves caret and selection alone.
    if (keep_anchor && std::abs(lines) == 1) {
      buffer_.MoveCaret(lines < 0 ? 0 : Length(), true);
      preferred_x_ = -1;
    }
    return;
  }
  buffer_.MoveCaret(PositionOnLine(target, x), keep_anchor);
  preferred_x_ = x;
}

// ---- layout and view

double TTextBox::WrapWidth() const {
  return std::max(1, viewport()->width() - 2 * kMargin);
}

int TTextBox::LineHeight() const {
  return std::max(1, fontMetrics().lineSpacing());
}

int TTextBox::VisibleLines() const {
  return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

void TTextBox::EnsureWrapped() {
  if (!isVisible()) {
    // A box never shown has had no resize event: lay its viewport out for its size first.
    QResizeEvent resize(size(), QSize());
    QAbstractScrollArea::event(&resize);
  }
  if (!wrapped_ || wrap_.Width() != WrapWidth()) {
    wrap_.Reset(PlainText(), WrapWidth());
    wrapped_ = true;
    UpdateScrollBar();
  }
}

void TTextBox::UpdateScrollBar() {
  if (!wrapped_)
    return;
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, wrap_.LineCount() - VisibleLines()));
  bar->setPageStep(VisibleLines());
}

int TTextBox::DisplayLines() {
  EnsureWrapped();
  return wrap_.LineCount();
}

int TTextBox::LineOfPosition(qsizetype position) {
  EnsureWrapped();
  return wrap_.LineOf(position);
}

qsizetype TTextBox::LineStart(int line) {
  EnsureWrapped();
  return wrap_.LineStart(line);
}

qsizetype TTextBox::LineEnd(int line) {
  EnsureWrapped();
  return wrap_.LineEnd(PlainText(), line);
}

void TTextBox::EnsureCaretVisible() {
  if (!wrapped_ && !isVisible())
    return;  // wrapped on demand; a hidden box scrolls when asked
  EnsureWrapped();
  QScrollBar* bar = verticalScrollBar();
  const int line = wrap_.LineOf(buffer_.Caret());
  if (line < bar->value())
    bar->setValue(line);
  else if (line >= bar->value() + VisibleLines())
    bar->setValue(line - VisibleLines() + 1);
}

QTextLayout* TTextBox::LayoutOf(int line) {
  const qsizetype start = wrap_.LineStart(line);
  const QString text = PlainText().mid(start, wrap_.LineEnd(PlainText(), line) - start);
  auto found = layouts_.find(text);
  if (found != layouts_.end())
    return found->get();
  if (layouts_.size() > kLayoutCache)
    layouts_.clear();
  auto layout = std::make_shared<QTextLayout>(text, font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout->setTextOption(option);
  layout->beginLayout();
  QTextLine only = layout->createLine();
  if (only.isValid())
    only.setPosition(QPointF(0, 0));
  layout->endLayout();
  layouts_.insert(text, layout);
  return layout.get();
}

QRect TTextBox::CursorRect(qsizetype position) {
  EnsureWrapped();
  const int line = wrap_.LineOf(position);
  QTextLayout* layout = LayoutOf(line);
  const int column = static_cast<int>(position - wrap_.LineStart(line));
  const double x = layout->lineCount() > 0 ? layout->lineAt(0).cursorToX(column) : 0;
  const int top = (line - verticalScrollBar()->value()) * LineHeight() + kMargin;
  return QRect(static_cast<int>(x) + kMargin, top, 1, LineHeight());
}

qsizetype TTextBox::PositionAt(QPoint point) {
  EnsureWrapped();
  const int line = std::clamp((point.y() - kMargin) / LineHeight() + verticalScrollBar()->value() -
                                  (point.y() < kMargin ? 1 : 0),
                              0, wrap_.LineCount() - 1);
  return PositionOnLine(line, point.x() - kMargin);
}

qsizetype TTextBox::PositionOnLine(int line, double x) {
  QTextLayout* layout = LayoutOf(line);
  int column = 0;
  if (layout->lineCount() > 0)
    column = layout->lineAt(0).xToCursor(x);
  const qsizetype start = wrap_.LineStart(line);
  qsizetype position = start + column;
  // A point past a wrapped line's end stays on that line, before its hanging spaces' end.
  const qsizetype end = wrap_.LineEnd(PlainText(), line);
  if (line + 1 < wrap_.LineCount() && position >= end && end == wrap_.LineStart(line + 1) &&
      end > start)
    position = end - 1;
  return std::clamp<qsizetype>(position, 0, Length());
}

double TTextBox::XOnLine(qsizetype position) {
  EnsureWrapped();
  const int line = wrap_.LineOf(position);
  QTextLayout* layout = LayoutOf(line);
  const int column = static_cast<int>(position - wrap_.LineStart(line));
  return layout->lineCount() > 0 ? layout->lineAt(0).cursorToX(column) : 0;
}

void TTextBox::paintEvent(QPaintEvent*) {
  EnsureWrapped();
  QPainter painter(viewport());
  const int first = verticalScrollBar()->value();
  const int height = LineHeight();
  const int last = std::min(wrap_.LineCount() - 1, first + viewport()->height() / height + 1);
  const QPalette& colors = palette();
  painter.setPen(colors.color(QPalette::Text));
  const qsizetype from = SelectionStart();
  const qsizetype to = SelectionEnd();
  const int caret_line = wrap_.LineOf(buffer_.Caret());
  for (int line = first; line <= last; ++line) {
    QTextLayout* layout = LayoutOf(line);
    const qsizetype start = wrap_.LineStart(line);
    const qsizetype end = wrap_.LineEnd(PlainText(), line);
    QList<QTextLayout::FormatRange> selections;
    if (from < to && from <= end && to > start) {
      QTextLayout::FormatRange range;
      range.start = static_cast<int>(std::max(from, start) - start);
      range.length = static_cast<int>(std::min(to, end) - std::max(from, start));
      if (to > end && end < Length() && PlainText()[end] == u'\n')
        range.length += 1;  // a selected line break shows as one space wide
      range.format.setBackground(colors.brush(QPalette::Highlight));
      range.format.setForeground(colors.brush(QPalette::HighlightedText));
      selections.append(range);
    }
    const QPointF at(kMargin, (line - first) * height + kMargin);
    if (line == caret_line && !preedit_.isEmpty()) {
      // The input method's pre-edit text shows at the caret, underlined, and is not cached.
      const QString base = PlainText().mid(start, end - start);
      QTextLayout composing(base, font());
      composing.setPreeditArea(static_cast<int>(buffer_.Caret() - start), preedit_);
      composing.beginLayout();
      composing.createLine();
      composing.endLayout();
      composing.draw(&painter, at);
      if (hasFocus())
        composing.drawCursor(
            &painter, at,
            static_cast<int>(buffer_.Caret() - start) + static_cast<int>(preedit_.size()));
      continue;
    }
    layout->draw(&painter, at, selections);
    if (line == caret_line && hasFocus() && caret_shown_)
      layout->drawCursor(&painter, at, static_cast<int>(buffer_.Caret() - start));
    if (drop_caret_ >= start && drop_caret_ <= end && wrap_.LineOf(drop_caret_) == line)
      layout->drawCursor(&painter, at, static_cast<int>(drop_caret_ - start));
  }
}

void TTextBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (wrapped_ && wrap_.Width() != WrapWidth()) {
    wrap_.Reset(PlainText(), WrapWidth());
  }
  UpdateScrollBar();
}

void TTextBox::scrollContentsBy(int, int) {
  viewport()->update();
}

void TTextBox::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    std::fill(advances_.begin(), advances_.end(), -1.0);
    layouts_.clear();
    wrapped_ = false;
    if (isVisible())
      EnsureWrapped();
  }
}

}  // namespace ui
