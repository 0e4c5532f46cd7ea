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

// Reads the whole text of the number box.
WalkReading ReadWalk(const QString& memo_text);

// The message a rebuild shows for a report; empty for kNone.
QString ReportMessage(WalkReport report, const QString& bad_piece);
