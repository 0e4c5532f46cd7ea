#include "ui/textbox/text_wrap.h"

#include <algorithm>

namespace ui {

TTextWrap::TTextWrap() : advance_([](const QString&, qsizetype) { return 1.0; }) {}

void TTextWrap::SetAdvance(Advance advance) {
  advance_ = std::move(advance);
}

qsizetype TTextWrap::NextStart(const QString& text, qsizetype start, double width,
                               const Advance& advance) {
  const qsizetype size = text.size();
  double used = 0;
  qsizetype after_space = -1;  // just after the last space run seen on this line
  qsizetype at = start;
  while (at < size) {
    const QChar c = text[at];
    if (c == u'\n')
      return at + 1;
    if (c == u' ') {
      // Spaces hang: the whole run stays on this line, the line ends after it when the next word
      // does not fit.
      while (at < size && text[at] == u' ') {
        used += advance(text, at);
        ++at;
      }
      after_space = at;
      continue;
    }
    const double w = advance(text, at);
    if (used + w > width && at > start) {
      if (after_space > start)
        return after_space;
      // No space on the line: cut before this character, never inside a surrogate pair.
      return at;
    }
    used += w;
    ++at;
    if (c.isHighSurrogate() && at < size && text[at].isLowSurrogate())
      ++at;
  }
  return -1;
}

std::vector<qsizetype> TTextWrap::Wrap(const QString& text, double width, const Advance& advance) {
  std::vector<qsizetype> starts{0};
  for (qsizetype next = NextStart(text, 0, width, advance); next >= 0;
       next = NextStart(text, next, width, advance)) {
    if (next == text.size() && text[next - 1] != u'\n')
      break;  // hanging spaces at the very end start no line
    starts.push_back(next);
    if (next == text.size())
      break;
  }
  return starts;
}

void TTextWrap::Reset(const QString& text, double width) {
  width_ = width;
  starts_ = Wrap(text, width, advance_);
}

void TTextWrap::Edit(const QString& text, qsizetype at, qsizetype removed, qsizetype inserted) {
  const qsizetype delta = inserted - removed;
  const int edited = LineOf(at);
  const int first = std::max(0, edited - 2);
  // The old starts past the edit, in the new text's positions.
  auto old = std::lower_bound(starts_.begin(), starts_.end(), at + removed);
  const auto old_end = starts_.end();
  std::vector<qsizetype> fresh;
  qsizetype start = starts_[static_cast<size_t>(first)];
  bool joined = false;
  while (true) {
    const qsizetype next = NextStart(text, start, width_, advance_);
    if (next < 0 || (next == text.size() && text[next - 1] != u'\n'))
      break;
    if (next >= at + inserted) {
      while (old != old_end && *old + delta < next)
        ++old;
      if (old != old_end && *old + delta == next) {
        joined = true;
        break;
      }
    }
    fresh.push_back(next);
    if (next == text.size())
      break;
    start = next;
  }
  // Replace the starts after `first` up to the joining one by the fresh ones, shift the rest.
  const auto keep_from = joined ? old : old_end;
  std::vector<qsizetype> rest(keep_from, old_end);
  for (qsizetype& s : rest)
    s += delta;
  starts_.resize(static_cast<size_t>(first) + 1);
  starts_.insert(starts_.end(), fresh.begin(), fresh.end());
  starts_.insert(starts_.end(), rest.begin(), rest.end());
}

qsizetype TTextWrap::LineEnd(const QString& text, int line) const {
  const size_t next = static_cast<size_t>(line) + 1;
  if (next >= starts_.size())
    return text.size();
  const qsizetype end = starts_[next];
  return text[end - 1] == u'\n' ? end - 1 : end;
}

int TTextWrap::LineOf(qsizetype position) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), position);
  return static_cast<int>(it - starts_.begin()) - 1;
}

}  // namespace ui
