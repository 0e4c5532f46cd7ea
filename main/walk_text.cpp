#include "main/walk_text.h"

#include <array>
#include <cstdint>

#include "base/qt_text.h"
#include "main/main_internal.h"

namespace {

constexpr std::array<int, 18> kRedNumbers = {1,  3,  5,  7,  9,  12, 14, 16, 18,
                                             19, 21, 23, 25, 27, 30, 32, 34, 36};
constexpr std::array<int, 18> kBlackNumbers = {2,  4,  6,  8,  10, 11, 13, 15, 17,
                                               20, 22, 24, 26, 28, 29, 31, 33, 35};

// The set as a bit mask over 0..63, so that a test for membership is one shift.
template <std::size_t N>
constexpr std::uint64_t MaskOf(const std::array<int, N>& set) {
  std::uint64_t mask = 0;
  for (int member : set)
    mask |= std::uint64_t{1} << member;
  return mask;
}

bool InMask(std::uint64_t mask, int number) {
  return number >= 0 && number < 64 && ((mask >> number) & 1) != 0;
}

// Calls `visit` with each piece of `text` cut at spaces: n spaces give n + 1 pieces.
template <typename Visit>
void ForEachPiece(QStringView text, Visit&& visit) {
  // A plain scan: the pieces are short, and a search call per piece would cost more than them.
  const QChar* data = text.data();
  const qsizetype size = text.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < size; ++i) {
    if (data[i] == u' ') {
      visit(QStringView(data + start, i - start));
      start = i + 1;
    }
  }
  visit(QStringView(data + start, size - start));
}

// A piece as the integer syntax reads it. One or two decimal digits, nearly every piece of a
// list, are read here directly (the syntax gives them their decimal value); the rest by the
// syntax itself.
std::optional<std::int32_t> ReadNumber(QStringView piece) {
  const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
  if (piece.size() == 1 && digit(piece[0]))
    return piece[0].unicode() - u'0';
  if (piece.size() == 2 && digit(piece[0]) && digit(piece[1]))
    return (piece[0].unicode() - u'0') * 10 + (piece[1].unicode() - u'0');
  return base::ParseInteger(piece);
}

}  // namespace

bool IsInRedNumbers(int number) {
  return InMask(MaskOf(kRedNumbers), number);
}
bool IsInBlackNumbers(int number) {
  return InMask(MaskOf(kBlackNumbers), number);
}

QString StripTrailingChar(const QString& s, QChar c) {
  if (!s.isEmpty() && s.back() == c)
    return s.left(s.size() - 1);
  return s;
}

QString NormaliseSpaceRuns(const QString& text) {
  // Single spaces stay as they are: a text without a run of two is its own result, shared.
  if (!text.contains(QStringLiteral("  ")))
    return text;
  QString result;
  result.reserve(text.size());
  const qsizetype size = text.size();
  qsizetype i = 0;
  while (i < size) {
    if (text[i] != u' ') {
      // The characters up to the next space are copied as one piece.
      const qsizetype space = text.indexOf(u' ', i);
      const qsizetype end = space < 0 ? size : space;
      result.append(QStringView(text).sliced(i, end - i));
      i = end;
      continue;
    }
    const qsizetype begin = i;
    while (i < size && text[i] == u' ')
      ++i;
    const bool odd = (i - begin) % 2 == 1;
    const bool at_edge = begin == 0 || i == size;
    if (odd || !at_edge)
      result.append(u' ');
  }
  return result;
}

QStringView TrimControlAndSpace(QStringView piece) {
  qsizetype begin = 0;
  qsizetype end = piece.size();
  while (begin < end && piece[begin].unicode() <= 0x20)
    ++begin;
  while (end > begin && piece[end - 1].unicode() <= 0x20)
    --end;
  return piece.mid(begin, end - begin);
}

namespace {

// Cuts the text at every space and, in every piece whose trimmed text equals `bad`, deletes that
// trimmed text; the characters trimmed off and the spaces around stay.
QString RemovePieces(const QString& text, QStringView bad) {
  // The text between the removed pieces is copied in spans, not piece by piece.
  QString result;
  result.reserve(text.size());
  qsizetype copied = 0;
  ForEachPiece(text, [&](QStringView piece) {
    const QStringView trimmed = TrimControlAndSpace(piece);
    if (trimmed != bad)
      return;
    const qsizetype at = trimmed.data() - text.data();
    result.append(QStringView(text).sliced(copied, at - copied));
    copied = at + trimmed.size();
  });
  if (copied == 0)
    return text;
  result.append(QStringView(text).sliced(copied));
  return result;
}

// Replaces each pair of spaces by one, left to right without overlap: k spaces become ceil(k/2).
QString HalveSpacePairs(const QString& text) {
  QString result = text;
  result.replace(QStringLiteral("  "), QStringLiteral(" "));
  return result;
}

}  // namespace

WalkReading ReadWalk(const QString& memo_text) {
  WalkReading reading;
  QString working = StripTrailingChar(NormaliseSpaceRuns(memo_text), u' ');
  if (working.isEmpty()) {
    reading.report = WalkReport::kEmptyList;
    return reading;
  }
  reading.points.reserve(static_cast<size_t>(working.count(u' ')) + 1);
  std::int32_t balance = 0;
  bool reading_on = true;
  ForEachPiece(working, [&](QStringView piece) {
    if (!reading_on)
      return;
    const QStringView trimmed = TrimControlAndSpace(piece);
    // An empty piece ends the reading silently: it would be read again and again without
    // advancing until the miss counter gave up.
    if (trimmed.isEmpty()) {
      reading_on = false;
      return;
    }
    const auto number = ReadNumber(trimmed);
    if (!number || *number < 1 || *number > 36) {
      reading.report = number ? WalkReport::kOutOfRange : WalkReport::kNotAnInteger;
      reading.bad_piece = trimmed.toString();
      reading_on = false;
      return;
    }
    const bool red = IsInRedNumbers(*number);
    balance += red ? 1 : -1;
    reading.points.push_back({static_cast<double>(reading.points.size()),
                              static_cast<double>(balance), red ? kRedColor : kBlackColor});
  });
  if (reading.report != WalkReport::kNone)
    working = RemovePieces(working, reading.bad_piece);
  reading.written_back = HalveSpacePairs(working);
  return reading;
}

QString ReportMessage(WalkReport report, const QString& bad_piece) {
  switch (report) {
    case WalkReport::kNone:
      return {};
    case WalkReport::kEmptyList:
      return QStringLiteral("Не задан список номеров!");
    case WalkReport::kNotAnInteger:
      return QStringLiteral("Ошибка обработки номера: ") + bad_piece;
    case WalkReport::kOutOfRange:
      return QStringLiteral("Числа должны быть в диапазоне [1, 36]!");
  }
  return {};
}
