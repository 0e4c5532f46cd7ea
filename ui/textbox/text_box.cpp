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

bool IsWordCharacter(QChar c) {
  return c.isLetterOrNumber() || c == u'_';
}

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
  QAccessible::installFactory(TextBoxAccessibleFactory);
}

TTextBox::~TTextBox() = default;

// ---- text and edits

void TTextBox::Apply(qsizetype at, qsizetype length, const QString& text) {
  const QString removed = text_.mid(at, length);
  text_.replace(at, length, text);
  if (wrapped_)
    wrap_.Edit(text_, at, length, text.size());
  UpdateScrollBar();
  viewport()->update();
  // Only while an assistive client listens; Qt would drop them otherwise.
  if (QAccessible::isActive()) {
    if (removed.isEmpty()) {
      QAccessibleTextInsertEvent inserted(this, static_cast<int>(at), text);
      QAccessible::updateAccessibility(&inserted);
    } else if (text.isEmpty()) {
      QAccessibleTextRemoveEvent gone(this, static_cast<int>(at), removed);
      QAccessible::updateAccessibility(&gone);
    } else {
      QAccessibleTextUpdateEvent update(this, static_cast<int>(at), removed, text);
      QAccessible::updateAccessibility(&update);
    }
  }
  emit textChanged();
}

void TTextBox::Record(qsizetype at, qsizetype length, const QString& text, Merge merge,
                      CaretRule rule) {
  if (length == 0 && text.isEmpty())
    return;
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  Edit edit{at, text_.mid(at, length), text, caret_, anchor_, merge};
  undo_.resize(undo_at_);
  // A run of typing, of Backspace or of Delete is undone in one step, as QPlainTextEdit does.
  Edit* last = undo_.empty() ? nullptr : &undo_.back();
  bool merged = false;
  if (last != nullptr && merge != Merge::kNone && last->merge == merge) {
    if (merge == Merge::kTyping && edit.removed.isEmpty() &&
        last->at + last->inserted.size() == at && !text.contains(u'\n')) {
      last->inserted += text;
      merged = true;
    } else if (merge == Merge::kBackspace && text.isEmpty() && last->inserted.isEmpty() &&
               at + length == last->at) {
      last->removed.prepend(edit.removed);
      last->at = at;
      merged = true;
    } else if (merge == Merge::kDelete && text.isEmpty() && last->inserted.isEmpty() &&
               at == last->at) {
      last->removed += edit.removed;
      merged = true;
    }
  }
  if (!merged)
    undo_.push_back(std::move(edit));
  undo_at_ = undo_.size();
  Apply(at, length, text);
  if (rule == CaretRule::kFollows) {
    caret_ = anchor_ = at + text.size();
  } else {
    auto follow = [&](qsizetype position) {
      if (position >= at + length)
        return position + text.size() - length;
      return std::min(position, at);
    };
    caret_ = follow(caret_);
    anchor_ = follow(anchor_);
  }
  preferred_x_ = -1;
  CaretMoved(old_caret, old_anchor, rule == CaretRule::kFollows);
}

void TTextBox::Replace(qsizetype at, qsizetype length, const QString& text, CaretRule rule) {
  at = std::clamp<qsizetype>(at, 0, text_.size());
  length = std::clamp<qsizetype>(length, 0, text_.size() - at);
  Record(at, length, text, Merge::kNone, rule);
}

void TTextBox::Write(qsizetype at, qsizetype length, const QString& text) {
  at = std::clamp<qsizetype>(at, 0, text_.size());
  length = std::clamp<qsizetype>(length, 0, text_.size() - at);
  if (length == 0 && text.isEmpty())
    return;  // no change, so no write
  undo_.clear();
  undo_at_ = 0;
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  Apply(at, length, text);
  auto follow = [&](qsizetype position) {
    if (position >= at + length)
      return position + text.size() - length;
    return std::min(position, at);
  };
  caret_ = follow(caret_);
  anchor_ = follow(anchor_);
  preferred_x_ = -1;
  CaretMoved(old_caret, old_anchor, false);
}

void TTextBox::Insert(const QString& text, Merge merge) {
  const qsizetype from = SelectionStart();
  Record(from, SelectionEnd() - from, text, from == SelectionEnd() ? merge : Merge::kNone);
}

void TTextBox::DeleteSelectionOr(qsizetype from, qsizetype to, Merge merge) {
  if (caret_ != anchor_) {
    Record(SelectionStart(), SelectionEnd() - SelectionStart(), QString(), Merge::kNone);
    return;
  }
  from = std::clamp<qsizetype>(from, 0, text_.size());
  to = std::clamp<qsizetype>(to, 0, text_.size());
  if (from < to)
    Record(from, to - from, QString(), merge);
}

QString TTextBox::SelectedText() const {
  return text_.mid(SelectionStart(), SelectionEnd() - SelectionStart());
}

void TTextBox::undo() {
  if (undo_at_ == 0)
    return;
  const Edit& edit = undo_[--undo_at_];
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  Apply(edit.at, edit.inserted.size(), edit.removed);
  caret_ = edit.caret_before;
  anchor_ = edit.anchor_before;
  // A merged run keeps its first caret; make sure it is inside the text.
  caret_ = std::clamp<qsizetype>(caret_, 0, text_.size());
  anchor_ = std::clamp<qsizetype>(anchor_, 0, text_.size());
  if (edit.merge != Merge::kNone)
    caret_ = anchor_ = edit.at + edit.removed.size();
  CaretMoved(old_caret, old_anchor);
}

void TTextBox::redo() {
  if (undo_at_ >= undo_.size())
    return;
  const Edit& edit = undo_[undo_at_++];
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  Apply(edit.at, edit.removed.size(), edit.inserted);
  caret_ = anchor_ = edit.at + edit.inserted.size();
  CaretMoved(old_caret, old_anchor);
}

void TTextBox::clear() {
  Replace(0, text_.size(), QString());
}

void TTextBox::copy() {
  if (caret_ != anchor_)
    QGuiApplication::clipboard()->setText(SelectedText());
}

void TTextBox::cut() {
  if (caret_ == anchor_)
    return;
  copy();
  DeleteSelectionOr(0, 0, Merge::kNone);
}

void TTextBox::paste() {
  QString pasted = QGuiApplication::clipboard()->text();
  if (pasted.isEmpty())
    return;
  pasted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  pasted.replace(u'\r', u'\n');
  Insert(pasted, Merge::kNone);
}

void TTextBox::selectAll() {
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  anchor_ = 0;
  caret_ = text_.size();
  CaretMoved(old_caret, old_anchor);
  CopyToSelection();
}

// ---- caret and selection

void TTextBox::SetCaret(qsizetype position, bool keep_anchor) {
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  caret_ = std::clamp<qsizetype>(position, 0, text_.size());
  // Never between the halves of a surrogate pair.
  if (caret_ > 0 && caret_ < text_.size() && text_[caret_].isLowSurrogate())
    caret_ += caret_ > old_caret ? 1 : -1;
  if (!keep_anchor)
    anchor_ = caret_;
  CaretMoved(old_caret, old_anchor);
}

void TTextBox::CaretMoved(qsizetype old_caret, qsizetype old_anchor, bool scroll) {
  RestartBlink();
  if (scroll)
    EnsureCaretVisible();
  viewport()->update();
  if (old_caret == caret_ && old_anchor == anchor_)
    return;
  if (QAccessible::isActive()) {
    if (caret_ != anchor_ || old_caret != old_anchor) {
      QAccessibleTextSelectionEvent selection(this, static_cast<int>(SelectionStart()),
                                              static_cast<int>(SelectionEnd()));
      selection.setCursorPosition(static_cast<int>(caret_));
      QAccessible::updateAccessibility(&selection);
    } else {
      QAccessibleTextCursorEvent moved(this, static_cast<int>(caret_));
      QAccessible::updateAccessibility(&moved);
    }
  }
  if (old_caret != caret_)
    emit cursorPositionChanged();
  if ((old_caret != old_anchor) || (caret_ != anchor_))
    emit selectionChanged();
}

void TTextBox::CopyToSelection() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (caret_ != anchor_ && clipboard->supportsSelection())
    clipboard->setText(SelectedText(), QClipboard::Selection);
}

qsizetype TTextBox::WordStart(qsizetype position) const {
  while (position > 0 && IsWordCharacter(text_[position - 1]))
    --position;
  return position;
}

qsizetype TTextBox::WordEnd(qsizetype position) const {
  while (position < text_.size() && IsWordCharacter(text_[position]))
    ++position;
  return position;
}

qsizetype TTextBox::PreviousWord(qsizetype position) const {
  while (position > 0 && !IsWordCharacter(text_[position - 1]))
    --position;
  return WordStart(position);
}

qsizetype TTextBox::NextWord(qsizetype position) const {
  // As QPlainTextEdit: to the start of the next word, past the spaces after this one.
  position = WordEnd(position);
  while (position < text_.size() && !IsWordCharacter(text_[position]) && text_[position] != u'\n')
    ++position;
  if (position < text_.size() && text_[position] == u'\n' && position == caret_)
    ++position;
  return position;
}

void TTextBox::MoveVertically(int lines, bool keep_anchor) {
  EnsureWrapped();
  const int line = wrap_.LineOf(caret_);
  if (preferred_x_ < 0)
    preferred_x_ = CursorRect(caret_).left();
  const double x = preferred_x_;
  if (line + lines < 0 || line + lines >= wrap_.LineCount()) {
    // As QPlainTextEdit: Up on the first line and Down on the last leave the caret; a page
    // beyond either end goes to that end.
    if (std::abs(lines) > 1)
      SetCaret(lines < 0 ? 0 : text_.size(), keep_anchor);
    return;
  }
  const int target = line + lines;
  const qsizetype position = PositionAt(
      QPoint(static_cast<int>(x),
             (target - verticalScrollBar()->value()) * LineHeight() + kMargin + LineHeight() / 2));
  SetCaret(position, keep_anchor);
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
    wrap_.Reset(text_, WrapWidth());
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
  return wrap_.LineEnd(text_, line);
}

void TTextBox::EnsureCaretVisible() {
  if (!wrapped_ && !isVisible())
    return;  // wrapped on demand; a hidden box scrolls when asked
  EnsureWrapped();
  QScrollBar* bar = verticalScrollBar();
  const int line = wrap_.LineOf(caret_);
  if (line < bar->value())
    bar->setValue(line);
  else if (line >= bar->value() + VisibleLines())
    bar->setValue(line - VisibleLines() + 1);
}

QTextLayout* TTextBox::LayoutOf(int line) {
  const qsizetype start = wrap_.LineStart(line);
  const QString text = text_.mid(start, wrap_.LineEnd(text_, line) - start);
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
  QTextLayout* layout = LayoutOf(line);
  int column = 0;
  if (layout->lineCount() > 0)
    column = layout->lineAt(0).xToCursor(point.x() - kMargin);
  const qsizetype start = wrap_.LineStart(line);
  qsizetype position = start + column;
  // A click past a wrapped line's end stays on that line, before its hanging spaces' end.
  const qsizetype end = wrap_.LineEnd(text_, line);
  if (line + 1 < wrap_.LineCount() && position >= end && end == wrap_.LineStart(line + 1) &&
      end > start)
    position = end - 1;
  return std::clamp<qsizetype>(position, 0, text_.size());
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
  const int caret_line = wrap_.LineOf(caret_);
  for (int line = first; line <= last; ++line) {
    QTextLayout* layout = LayoutOf(line);
    const qsizetype start = wrap_.LineStart(line);
    const qsizetype end = wrap_.LineEnd(text_, line);
    QList<QTextLayout::FormatRange> selections;
    if (from < to && from <= end && to > start) {
      QTextLayout::FormatRange range;
      range.start = static_cast<int>(std::max(from, start) - start);
      range.length = static_cast<int>(std::min(to, end) - std::max(from, start));
      if (to > end && end < text_.size() && text_[end] == u'\n')
        range.length += 1;  // a selected line break shows as one space wide
      range.format.setBackground(colors.brush(QPalette::Highlight));
      range.format.setForeground(colors.brush(QPalette::HighlightedText));
      selections.append(range);
    }
    const QPointF at(kMargin, (line - first) * height + kMargin);
    if (line == caret_line && !preedit_.isEmpty()) {
      // The input method's pre-edit text shows at the caret, underlined, and is not cached.
      const QString base = text_.mid(start, end - start);
      QTextLayout composing(base, font());
      composing.setPreeditArea(static_cast<int>(caret_ - start), preedit_);
      composing.beginLayout();
      composing.createLine();
      composing.endLayout();
      composing.draw(&painter, at);
      if (hasFocus())
        composing.drawCursor(&painter, at,
                             static_cast<int>(caret_ - start) + static_cast<int>(preedit_.size()));
      continue;
    }
    layout->draw(&painter, at, selections);
    if (line == caret_line && hasFocus() && caret_shown_)
      layout->drawCursor(&painter, at, static_cast<int>(caret_ - start));
    if (drop_caret_ >= start && drop_caret_ <= end && wrap_.LineOf(drop_caret_) == line)
      layout->drawCursor(&painter, at, static_cast<int>(drop_caret_ - start));
  }
}

void TTextBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (wrapped_ && wrap_.Width() != WrapWidth()) {
    wrap_.Reset(text_, WrapWidth());
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
