#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The text side of a rebuild: from the whole text of the number box to the walk's points, what to
// report and the normalised text to write back. No widget is involved.

// One plotted point: x is the zero-based index of the accepted number, y the running balance
// after it, colour in blue-green-red order.
struct WalkPoint {
  double x = 0;
  double y = 0;
  std::uint32_t color = 0;
};

inline constexpr std::uint32_t kRedColor = 0x0000FF;
inline constexpr std::uint32_t kBlackColor = 0x000000;

// The two disjoint sets that together make up 1 .. 36.
bool IsInRedNumbers(int number);
bool IsInBlackNumbers(int number);

enum class WalkReport {
  kNone,          // every piece read was accepted, or an empty piece ended the reading
  kEmptyList,     // nothing to read: the text is empty after normalisation
  kNotAnInteger,  // a piece is not an integer
  kOutOfRange,    // a piece is an integer outside 1 .. 36
};

struct WalkReading {
  std::vector<WalkPoint> points;
  WalkReport report = WalkReport::kNone;
  QString bad_piece;     // the trimmed piece that stopped the reading, for the two bad cases
  QString written_back;  // the text to put back into the box; unused for kEmptyList
};

// S without its last character when that character is `c`; otherwise S unchanged.
QString StripTrailingChar(const QString& s, QChar c);

// A run of an odd number of spaces becomes one space; an even run at the start or end of the
// text disappears; an even run between two characters becomes one space, so the characters on
// its two sides are never joined.
QString NormaliseSpaceRuns(const QString& text);

// Removes the characters U+0000 .. U+0020 from both ends.
QStringView TrimControlAndSpace(QStringView piece);

// Cuts the text at every space and, in every piece whose trimmed text equals `bad`, deletes that
// trimmed text; the characters trimmed off and the spaces around stay.
QString RemovePieces(const QString& text, QStringView bad);

// Replaces each pair of spaces by one, left to right without overlap: k spaces become ceil(k/2).
QString HalveSpacePairs(const QString& text);

// Reads the whole text of the number box.
WalkReading ReadWalk(const QString& memo_text);

// The message a rebuild shows for a report; empty for kNone.
QString ReportMessage(WalkReport report, const QString& bad_piece);
