#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/parse_integer.h"

namespace base {

// Qt's strings as the toolkit-free helpers take them: the same UTF-16 code units, not copied.
inline std::u16string_view U16View(QStringView text) {
  return {text.utf16(), static_cast<std::size_t>(text.size())};
}

// The same UTF-16 code units as a Qt string, every one of them. Not QString::fromStdU16String:
// that takes a leading U+FEFF for a byte-order mark and drops it, and a leading U+FFFE for a
// swapped one and swaps every unit after it.
inline QString FromU16(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// Calls `visit` with each line of `text` and whether a line break (CR LF, lone CR or lone LF)
// ends it; the part after the last break comes last, possibly empty.
template <typename Visit>
void ForEachLine(QStringView text, Visit&& visit) {
  const qsizetype n = text.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n')
      continue;
    visit(text.sliced(start, i - start), true);
    if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
      ++i;
    start = i + 1;
  }
  visit(text.sliced(start), false);
}

// The program's integer syntax over a Qt string.
inline std::optional<std::int32_t> ParseInteger(QStringView text) {
  return base::ParseInteger(U16View(text));
}

}  // namespace base
