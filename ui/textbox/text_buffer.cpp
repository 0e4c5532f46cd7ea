#include "ui/textbox/text_buffer.h"

#include <QStringView>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace ui {
namespace {

// Cursor positions are looked for in this much text on either side of the position, and in four
// times more while the answer lies so near the cut end of that text that the text beyond might
// change it: a list of numbers is one paragraph, which is never laid out whole.
constexpr qsizetype kReach = 64;
constexpr qsizetype kSlack = 16;

// The paragraph text around `position` within `reach`, and whether each end is the paragraph's.
struct Window {
  qsizetype from = 0;
  qsizetype to = 0;
  bool whole_from = false;
  bool whole_to = false;
};

Window WindowAround(const QString& text, qsizetype position, qsizetype reach) {
  Window window;
  const QStringView all(text);
  window.from = std::max<qsizetype>(0, position - reach);
  const qsizetype before = all.sliced(window.from, position - window.from).lastIndexOf(u'\n');
  if (before >= 0)
    window.from += before + 1;
  window.whole_from = before >= 0 || window.from == 0;
  window.to = std::min(text.size(), position + reach);
  const qsizetype after = all.sliced(position, window.to - position).indexOf(u'\n');
  if (after >= 0)
    window.to = position + after;
  window.whole_to = after >= 0 || window.to == text.size();
  return window;
}

QTextLayout::CursorMode ModeOf(TTextBuffer::Unit unit) {
  return unit == TTextBuffer::Unit::kWord ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
}

}  // namespace

QString TTextBuffer::SelectedText() const {
  return text_.mid(SelectionStart(), SelectionEnd() - SelectionStart());
}

// ---- caret and anchor

void TTextBuffer::Select(qsizetype anchor, qsizetype caret, bool scroll) {
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  caret_ = std::clamp<qsizetype>(caret, 0, text_.size());
  anchor_ = std::clamp<qsizetype>(anchor, 0, text_.size());
  listener_->SelectionSet(old_caret, old_anchor, scroll);
}

void TTextBuffer::PlaceAfterEdit(qsizetype old_caret, qsizetype old_anchor, qsizetype caret,
                                 bool scroll) {
  caret_ = anchor_ = std::clamp<qsizetype>(caret, 0, text_.size());
  listener_->SelectionSet(old_caret, old_anchor, scroll);
}

// ---- the text and its pieces in the store

std::vector<TTextBuffer::Piece> TTextBuffer::Splice(qsizetype at, qsizetype length,
                                                    const QString& text,
                                                    const std::vector<Piece>& pieces) {
  std::vector<Piece> cut = CutPieces(at, length);
  PastePieces(at, pieces);
  const QString removed = text_.mid(at, length);
  text_.replace(at, length, text);
  // Caret and anchor keep their places in the text around the change until the edit places
  // them, so that whoever the listener tells reads positions inside the text.
  auto follow = [&](qsizetype position) {
    if (position >= at + length)
      return position + text.size() - length;
    return std::min(position, at);
  };
  caret_ = follow(caret_);
  anchor_ = follow(anchor_);
  listener_->TextEdited(at, removed, text);
  return cut;
}

size_t TTextBuffer::SplitPiecesAt(qsizetype position) {
  qsizetype start = 0;
  for (size_t index = 0; index < pieces_.size(); ++index) {
    Piece& piece = pieces_[index];
    if (position < start + piece.length) {
      if (position == start)
        return index;
      const Piece tail{start + piece.length - position, piece.stored_at + position - start};
      piece.length = position - start;
      pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(index) + 1, tail);
      return index + 1;
    }
    start += piece.length;
  }
  return pieces_.size();
}

std::vector<TTextBuffer::Piece> TTextBuffer::CutPieces(qsizetype at, qsizetype length) {
  if (length == 0)
    return {};
  const auto first = static_cast<std::ptrdiff_t>(SplitPiecesAt(at));
  const auto last = static_cast<std::ptrdiff_t>(SplitPiecesAt(at + length));
  std::vector<Piece> cut(pieces_.begin() + first, pieces_.begin() + last);
  pieces_.erase(pieces_.begin() + first, pieces_.begin() + last);
  return cut;
}

void TTextBuffer::PastePieces(qsizetype at, const std::vector<Piece>& pieces) {
  if (pieces.empty())
    return;
  const size_t index = SplitPiecesAt(at);
  pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(index), pieces.begin(),
                 pieces.end());
  // Neighbours that lie one after the other in the store become one piece again, so typing at
  // one place keeps the list short.
  size_t joined = index > 0 ? index - 1 : 0;
  size_t last = index + pieces.size();  // the last piece that may join the one before it
  while (joined + 1 < pieces_.size() && joined + 1 <= last) {
    Piece& piece = pieces_[joined];
    const Piece& next = pieces_[joined + 1];
    if (piece.stored_at + piece.length == next.stored_at) {
      piece.length += next.length;
      pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(joined) + 1);
      --last;
    } else {
      ++joined;
    }
  }
}

void TTextBuffer::ClearHistory() {
  steps_.clear();
  undo_at_ = 0;
  step_open_ = false;
  // As after QPlainTextEdit::setPlainText, the whole text lies in the store in one piece. That
  // store keeps each written line break where it stands and adds a paragraph separator for it at
  // the store's end, so text typed next lies beside the written text only when that holds no line
  // break: a Backspace run over both is then one step, else a step for each.
  pieces_.clear();
  if (!text_.isEmpty())
    pieces_.push_back({text_.size(), 0});
  stored_ = text_.size() + text_.count(u'\n');
}

// ---- edits and their history

void TTextBuffer::Edit(qsizetype at, qsizetype length, const QString& text, bool single) {
  if (length == 0 && text.isEmpty())
    return;
  Command command;
  command.at = at;
  command.removed = text_.mid(at, length);
  command.inserted = text;
  if (!text.isEmpty())
    command.inserted_pieces.push_back({text.size(), stored_});
  stored_ += text.size();
  command.removed_pieces = Splice(at, length, text, command.inserted_pieces);
  if (single && text.isEmpty() && command.removed_pieces.size() > 1) {
    // One key's removal over text entered at different times is one edit per piece, each joined
    // or recorded on its own, as QPlainTextEdit's document records it.
    qsizetype offset = 0;
    for (const Piece& piece : command.removed_pieces) {
      Command part;
      part.at = at;
      part.removed = command.removed.mid(offset, piece.length);
      part.removed_pieces.push_back(piece);
      offset += piece.length;
      Record(std::move(part), true);
    }
    return;
  }
  Record(std::move(command), single);
}

bool TTextBuffer::JoinLast(const Command& command) {
  if (undo_at_ == 0)
    return false;
  Step& step = steps_[undo_at_ - 1];
  if (step.sealed || step.commands.empty())
    return false;
  Command& last = step.commands.back();
  const bool typing = command.removed.isEmpty();
  if (typing) {
    // Typing joins a run of typing, also one that began over a selection or with a paste.
    if (last.inserted.isEmpty() || last.at + last.inserted.size() != command.at ||
        command.inserted.contains(u'\n') || last.inserted.back() == u'\n')
      return false;
    Piece& before = last.inserted_pieces.back();
    const Piece& after = command.inserted_pieces.front();
    if (before.stored_at + before.length != after.stored_at)
      return false;
    last.inserted += command.inserted;
    before.length += after.length;
    return true;
  }
  // A removal joins only a run of single removals that it touches, in the text and in the
  // store; a removed line break is a step of its own.
  if (!step.single || !last.inserted.isEmpty() || !command.inserted.isEmpty() ||
      command.removed_pieces.size() != 1 || command.removed.contains(u'\n') ||
      last.removed.contains(u'\n'))
    return false;
  const Piece& removed = command.removed_pieces.front();
  Piece& back = last.removed_pieces.back();
  Piece& front = last.removed_pieces.front();
  if (command.at == last.at && back.stored_at + back.length == removed.stored_at) {
    last.removed += command.removed;
    back.length += removed.length;
    return true;
  }
  if (command.at + command.removed.size() == last.at &&
      removed.stored_at + removed.length == front.stored_at) {
    last.removed.prepend(command.removed);
    last.at = command.at;
    front.stored_at = removed.stored_at;
    front.length += removed.length;
    return true;
  }
  return false;
}

void TTextBuffer::Record(Command command, bool single) {
  steps_.resize(undo_at_);  // a new edit ends what redo could bring back
  if (step_open_ && step_started_) {
    steps_.back().commands.push_back(std::move(command));
    return;
  }
  if (!step_open_ && single && JoinLast(command))
    return;
  Step step;
  step.single = !step_open_ && single;
  step.sealed = step_open_ && step_sealed_;
  step.commands.push_back(std::move(command));
  steps_.push_back(std::move(step));
  undo_at_ = steps_.size();
  step_started_ = step_open_;
}

void TTextBuffer::BeginStep(bool sealed) {
  // The step is made by its first edit: one that changes nothing leaves the history as it was.
  step_open_ = true;
  step_started_ = false;
  step_sealed_ = sealed;
}

void TTextBuffer::EndStep() {
  step_open_ = false;
  step_started_ = false;
}

void TTextBuffer::Type(const QString& text) {
  if (text.isEmpty())
    return;
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  const qsizetype from = SelectionStart();
  if (HasSelection()) {
    BeginStep();
    Edit(from, SelectionEnd() - from, text, false);
    EndStep();
  } else {
    Edit(from, 0, text, true);
  }
  PlaceAfterEdit(old_caret, old_anchor, from + text.size());
}

void TTextBuffer::Backspace() {
  if (HasSelection()) {
    RemoveAsStep(0, 0);
    return;
  }
  const qsizetype old_caret = caret_;
  const qsizetype from = PreviousCodePoint(caret_);
  if (from == caret_)
    return PlaceAfterEdit(old_caret, old_caret, caret_);
  Edit(from, caret_ - from, QString(), true);
  PlaceAfterEdit(old_caret, old_caret, from);
}

void TTextBuffer::Delete() {
  if (HasSelection()) {
    RemoveAsStep(0, 0);
    return;
  }
  const qsizetype old_caret = caret_;
  const qsizetype to = Next(caret_, Unit::kCharacter);
  if (to == caret_)
    return PlaceAfterEdit(old_caret, old_caret, caret_);
  Edit(caret_, to - caret_, QString(), true);
  PlaceAfterEdit(old_caret, old_caret, old_caret);
}

void TTextBuffer::RemoveAsStep(qsizetype from, qsizetype to) {
  if (HasSelection()) {
    from = SelectionStart();
    to = SelectionEnd();
  }
  from = std::clamp<qsizetype>(from, 0, text_.size());
  to = std::clamp<qsizetype>(to, from, text_.size());
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  BeginStep();
  Edit(from, to - from, QString(), false);
  EndStep();
  PlaceAfterEdit(old_caret, old_anchor, from);
}

void TTextBuffer::InsertAsStep(const QString& text) {
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  const qsizetype from = SelectionStart();
  BeginStep();
  Edit(from, SelectionEnd() - from, text, false);
  EndStep();
  PlaceAfterEdit(old_caret, old_anchor, from + text.size());
}

void TTextBuffer::Drop(qsizetype at, const QString& text, bool move_selection) {
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  at = std::clamp<qsizetype>(at, 0, text_.size());
  BeginStep();
  if (move_selection && HasSelection()) {
    const qsizetype from = SelectionStart();
    const qsizetype length = SelectionEnd() - from;
    Edit(from, length, QString(), false);
    if (at > from)
      at -= length;
  }
  Edit(at, 0, text, false);
  EndStep();
  // The dropped text is selected, the caret after it.
  caret_ = at + text.size();
  anchor_ = at;
  listener_->SelectionSet(old_caret, old_anchor, true);
}

void TTextBuffer::Replace(qsizetype at, qsizetype length, const QString& text, CaretRule rule) {
  at = std::clamp<qsizetype>(at, 0, text_.size());
  length = std::clamp<qsizetype>(length, 0, text_.size() - at);
  if (length == 0 && text.isEmpty())
    return;
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  BeginStep(true);
  Edit(at, length, text, false);
  EndStep();
  if (rule == CaretRule::kFollows)
    PlaceAfterEdit(old_caret, old_anchor, at + text.size());
  else
    listener_->SelectionSet(old_caret, old_anchor, false);
}

void TTextBuffer::Write(qsizetype at, qsizetype length, const QString& text) {
  at = std::clamp<qsizetype>(at, 0, text_.size());
  length = std::clamp<qsizetype>(length, 0, text_.size() - at);
  if (length == 0 && text.isEmpty())
    return;  // no change, so no write: the history stays
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  Splice(at, length, text, {});
  ClearHistory();
  listener_->SelectionSet(old_caret, old_anchor, false);
}

void TTextBuffer::WriteAll(const QString& wanted) {
  // Only the span between the common start and the common end is replaced; an equal text is
  // no write.
  const qsizetype limit = std::min(wanted.size(), text_.size());
  const QChar* want = wanted.constData();
  const QChar* have = text_.constData();
  const qsizetype prefix = std::mismatch(want, want + limit, have).first - want;
  qsizetype suffix = 0;
  while (suffix < limit - prefix &&
         want[wanted.size() - 1 - suffix] == have[text_.size() - 1 - suffix])
    ++suffix;
  Write(prefix, text_.size() - suffix - prefix,
        wanted.mid(prefix, wanted.size() - suffix - prefix));
}

void TTextBuffer::Undo() {
  if (undo_at_ == 0)
    return;
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  const Step& step = steps_[--undo_at_];
  qsizetype caret = caret_;
  for (auto command = step.commands.rbegin(); command != step.commands.rend(); ++command) {
    Splice(command->at, command->inserted.size(), command->removed, command->removed_pieces);
    caret = command->at + command->removed.size();
  }
  PlaceAfterEdit(old_caret, old_anchor, caret);
}

void TTextBuffer::Redo() {
  if (undo_at_ >= steps_.size())
    return;
  const qsizetype old_caret = caret_;
  const qsizetype old_anchor = anchor_;
  const Step& step = steps_[undo_at_++];
  qsizetype caret = caret_;
  for (const Command& command : step.commands) {
    Splice(command.at, command.removed.size(), command.inserted, command.inserted_pieces);
    caret = command.at + command.inserted.size();
  }
  PlaceAfterEdit(old_caret, old_anchor, caret);
}

// ---- characters and words

namespace {

// The cursor position after (`forward`) or before `position` by Qt's layout, laid out over a
// window of the paragraph around it. The window widens until the answer lies clear of the end it
// moves towards, or that end is the paragraph's: near a cut end the layout could see half a
// grapheme or a word.
qsizetype LayoutStep(const QString& text, qsizetype position, TTextBuffer::Unit unit,
                     bool forward) {
  for (qsizetype reach = kReach;; reach *= 4) {
    const Window window = WindowAround(text, position, reach);
    const QTextLayout layout(text.mid(window.from, window.to - window.from));
    const int at = static_cast<int>(position - window.from);
    if (forward) {
      const qsizetype next = window.from + layout.nextCursorPosition(at, ModeOf(unit));
      if (window.whole_to || next < window.to - kSlack)
        return next;
    } else {
      const qsizetype previous = window.from + layout.previousCursorPosition(at, ModeOf(unit));
      if (window.whole_from || previous > window.from + kSlack)
        return previous;
    }
  }
}

}  // namespace

qsizetype TTextBuffer::Next(qsizetype position, Unit unit) const {
  if (position >= text_.size())
    return text_.size();
  position = std::max<qsizetype>(position, 0);
  if (text_[position] == u'\n')
    return position + 1;
  return LayoutStep(text_, position, unit, true);
}

qsizetype TTextBuffer::Previous(qsizetype position, Unit unit) const {
  if (position <= 0)
    return 0;
  position = std::min(position, text_.size());
  if (text_[position - 1] == u'\n')
    return position - 1;
  return LayoutStep(text_, position, unit, false);
}

qsizetype TTextBuffer::PreviousCodePoint(qsizetype position) const {
  if (position <= 0)
    return 0;
  if (position >= 2 && text_[position - 1].isLowSurrogate() &&
      text_[position - 2].isHighSurrogate())
    return position - 2;
  return position - 1;
}

std::pair<qsizetype, qsizetype> TTextBuffer::WordAt(qsizetype position) const {
  position = std::clamp<qsizetype>(position, 0, text_.size());
  // A text cursor's word under the cursor, in a document holding the paragraph around it.
  const Window window = WindowAround(text_, position, 4 * kReach);
  QTextDocument paragraph(text_.mid(window.from, window.to - window.from));
  QTextCursor cursor(&paragraph);
  cursor.setPosition(static_cast<int>(position - window.from));
  cursor.select(QTextCursor::WordUnderCursor);
  return {window.from + cursor.selectionStart(), window.from + cursor.selectionEnd()};
}

}  // namespace ui
