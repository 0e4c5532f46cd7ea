#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace ui {

// The display lines of a text wrapped to a width, kept up to date edit by edit.
//
// The text's line breaks are '\n'. A display line ends at a line break (which belongs to it), or
// where the next character would overflow the width: after the last space on the line when there
// is one, otherwise before that character (a word longer than the line is cut anywhere, and a
// line always takes at least one character). Spaces at the end of a line hang past the width and
// never start the next one. A text that is empty or ends with a line break has a last, empty
// display line starting at its end.
//
// A line's end depends only on the text from its start on, so after an edit only the lines from
// two before the edited one are wrapped again, and the wrapping stops at the first new line start
// past the edit that is an old start shifted by the edit's change in length. In a list of random
// numbers that happens within some dozens of lines; a text repeating with a period that fills the
// width exactly can keep the new starts out of step with the old ones up to its end.
class TTextWrap {
 public:
  // The advance of one UTF-16 code unit; a surrogate pair's width belongs to its high half.
  using Advance = std::function<double(const QString& text, qsizetype at)>;

  TTextWrap();
  void SetAdvance(Advance advance);
  // Wraps `text` anew for `width` (at least one character per line whatever the width).
  void Reset(const QString& text, double width);
  // After `removed` code units at `at` were replaced by `inserted` ones in `text` (the new text).
  void Edit(const QString& text, qsizetype at, qsizetype removed, qsizetype inserted);

  double Width() const { return width_; }
  int LineCount() const { return static_cast<int>(starts_.size()); }
  qsizetype LineStart(int line) const { return starts_[static_cast<size_t>(line)]; }
  // The end of a display line, its line break excluded.
  qsizetype LineEnd(const QString& text, int line) const;
  // The display line holding `position`; a position at a wrap belongs to the line it starts.
  int LineOf(qsizetype position) const;
  const std::vector<qsizetype>& Starts() const { return starts_; }

  // The line starts of a whole text, wrapped from scratch.
  static std::vector<qsizetype> Wrap(const QString& text, double width, const Advance& advance);

 private:
  // The start of the display line after the one starting at `start`, or -1 when that line is the
  // last one.
  static qsizetype NextStart(const QString& text, qsizetype start, double width,
                             const Advance& advance);

  Advance advance_;
  double width_ = 0;
  std::vector<qsizetype> starts_{0};
};

}  // namespace ui
