#pragma once

#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

namespace ui {

// The text of a text box with its caret, its selection's anchor and its undo history, and no
// widget: what the box's keys, mouse, input methods and accessibility view change, and what
// tests drive directly. The box listens (Listener) to show every change.
//
// Positions are UTF-16 code units from the start; line breaks are '\n'.
//
// Characters and words are the ones of Qt's text layout (QTextLayout's cursor positions), found
// in the paragraph around the position: the caret keys and Delete move and delete whole grapheme
// clusters (a letter with its combining marks, a surrogate pair); Backspace takes one code point
// (a surrogate pair whole), so an accent can be taken off its letter; a line break is a
// character and a word of its own.
//
// Undo history. An undo step is one or more edits; undo and redo restore or repeat a whole step,
// and leave the caret, without a selection, at the end of the step's last edit they handled (for
// undo its first). The steps are made as in a QPlainTextEdit:
//  - Typed text without a selection, one Backspace or one Delete is a single edit. It joins the
//    last step when that ends with the same kind of edit right beside it: typing right after the
//    last insertion, Backspace right before and Delete right at the last removal (either key
//    joins either run: they are removals that touch). A line break typed or removed is a step
//    of its own, as QPlainTextEdit's document keeps paragraphs apart from their text.
//  - Typing over a selection, a paste, a drop, an input method's commit, a cut, the removal of a
//    selection by Backspace or Delete and each word removal (Ctrl+Backspace, Ctrl+Delete) are
//    each a step of their own. Typing right after one that ends with an insertion joins it, so
//    typing over a selection and on is one step.
//  - Replace is a step of its own that nothing joins.
//  - "Right beside" also holds in the order the text was first entered: every inserted text
//    takes the next place in one growing store (a QTextDocument's text buffer; undo and redo give
//    text back its place), and two edits join only when their texts lie next to each other in it
//    too. So typing at the end of a word typed earlier, after other text was typed elsewhere,
//    begins a new step, and a Delete that takes a letter and a mark typed at different times
//    is an edit for each, which undo restores one by one.
//  - The program's own writes (Write) are no step and clear the undo and redo history, as
//    QPlainTextEdit::setPlainText does; undo never goes behind them. The written text then lies
//    in the store whole, followed by a place for each line break in it (QTextDocument's
//    paragraph separators), so typing at its end lies beside it only where it has no line break.
class TTextBuffer {
 public:
  // Told of every change, after it is made.
  class Listener {
   public:
    virtual ~Listener() = default;
    // `removed` at `at` became `inserted`.
    virtual void TextEdited(qsizetype at, const QString& removed, const QString& inserted) = 0;
    // After every placing of the caret and the anchor, also when neither moved (the box restarts
    // its caret's blink then); `scroll` asks to bring the caret into view.
    virtual void SelectionSet(qsizetype old_caret, qsizetype old_anchor, bool scroll) = 0;
  };

  explicit TTextBuffer(Listener* listener) : listener_(listener) {}

  const QString& Text() const { return text_; }
  qsizetype Length() const { return text_.size(); }
  qsizetype Caret() const { return caret_; }
  qsizetype Anchor() const { return anchor_; }
  qsizetype SelectionStart() const { return std::min(caret_, anchor_); }
  qsizetype SelectionEnd() const { return std::max(caret_, anchor_); }
  bool HasSelection() const { return caret_ != anchor_; }
  QString SelectedText() const;

  // Sets the caret and the anchor, limited to the text. This and the edits below are the only
  // places that set them, and each ends by telling the listener (SelectionSet).
  void Select(qsizetype anchor, qsizetype caret, bool scroll = true);
  void MoveCaret(qsizetype position, bool keep_anchor) {
    Select(keep_anchor ? anchor_ : position, position);
  }

  // What an edit does to the caret and the anchor: kFollows puts the caret after the new text;
  // kStays keeps both where they were in the text around the edit, as a text cursor of its own
  // would (inside the replaced span they go to its start, at its end after the new text).
  enum class CaretRule { kFollows, kStays };

  // Editing as the keys do (see the history rules above).
  void Type(const QString& text);
  // Backspace: the selection, or the code point before the caret.
  void Backspace();
  // Delete: the selection, or the character after the caret.
  void Delete();
  // Removes the selection, or else `from` .. `to`, as a step of its own (word removal, cut).
  void RemoveAsStep(qsizetype from, qsizetype to);
  // Replaces the selection by `text` as a step of its own (paste, input method commit).
  void InsertAsStep(const QString& text);
  // A drop: the text moves (or is copied) to `at`, as one step, and is selected.
  void Drop(qsizetype at, const QString& text, bool move_selection);
  // Replaces `length` code units at `at` by `text` as a step of its own.
  void Replace(qsizetype at, qsizetype length, const QString& text,
               CaretRule rule = CaretRule::kFollows);
  // The program's own write: `length` code units at `at` become `text`; the caret and the anchor
  // keep their places in the text around it; no undo step, and the history is cleared. Writing
  // nothing (an empty span by an empty text) is no write and keeps the history.
  void Write(qsizetype at, qsizetype length, const QString& text);
  // The program's own write of the whole text, changing only the span that differs; an equal
  // text is no write.
  void WriteAll(const QString& text);

  bool CanUndo() const { return undo_at_ > 0; }
  bool CanRedo() const { return undo_at_ < steps_.size(); }
  void Undo();
  void Redo();

  // Cursor positions: the next and the previous character or word boundary, as QTextLayout
  // finds them in the paragraph; across a line break to the neighbouring paragraph.
  enum class Unit { kCharacter, kWord };
  qsizetype Next(qsizetype position, Unit unit) const;
  qsizetype Previous(qsizetype position, Unit unit) const;
  // Where Backspace removes from: one code point back, a surrogate pair whole.
  qsizetype PreviousCodePoint(qsizetype position) const;
  // The word under `position` as a double-click selects it: from its start to its end, without
  // the spaces after it; empty at the end of a paragraph after a space or a sign.
  std::pair<qsizetype, qsizetype> WordAt(qsizetype position) const;

 private:
  // A run of the text that lies in one piece in the store.
  struct Piece {
    qsizetype length = 0;
    qsizetype stored_at = 0;
  };
  // One edit: `removed` at `at` became `inserted`; each with its places in the store.
  struct Command {
    qsizetype at = 0;
    QString removed;
    QString inserted;
    std::vector<Piece> removed_pieces;
    std::vector<Piece> inserted_pieces;
  };
  struct Step {
    std::vector<Command> commands;
    bool single = false;  // one keystroke's edit, which a neighbouring one may join
    bool sealed = false;  // nothing joins it
  };

  // The one place the text changes: the text, its pieces, the caret and anchor kept in the text
  // around the change, and the listener told. Returns the removed text's pieces.
  std::vector<Piece> Splice(qsizetype at, qsizetype length, const QString& text,
                            const std::vector<Piece>& pieces);
  // Makes, applies and records a user's edit; `single` for one keystroke's.
  void Edit(qsizetype at, qsizetype length, const QString& text, bool single);
  void Record(Command command, bool single);
  bool JoinLast(const Command& command);
  void BeginStep(bool sealed = false);
  void EndStep();
  // Ends an edit: caret and anchor at `caret`, the listener told the old ones.
  void PlaceAfterEdit(qsizetype old_caret, qsizetype old_anchor, qsizetype caret,
                      bool scroll = true);

  // The index of the piece that starts at `position`, splitting the one that holds it.
  size_t SplitPiecesAt(qsizetype position);
  std::vector<Piece> CutPieces(qsizetype at, qsizetype length);
  void PastePieces(qsizetype at, const std::vector<Piece>& pieces);
  void ClearHistory();

  Listener* listener_;
  QString text_;
  qsizetype caret_ = 0;
  qsizetype anchor_ = 0;
  std::vector<Piece> pieces_;
  qsizetype stored_ = 0;  // the store's length: where the next inserted text goes
  std::vector<Step> steps_;
  size_t undo_at_ = 0;
  // Between BeginStep and EndStep edits go into one step, made by the first of them.
  bool step_open_ = false;
  bool step_started_ = false;
  bool step_sealed_ = false;
};

}  // namespace ui
