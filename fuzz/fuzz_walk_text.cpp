// The walk read from any text: accepted numbers are the leading pieces and lie in 1 .. 36, the
// balance moves by one per number in its colour's direction, what stopped the reading is the
// next piece, and reading the written-back text never reports the removed piece again.
#include <QList>
#include <QStringView>

#include <cstdint>
#include <cstdlib>

#include "base/qt_text.h"
#include "main/main_internal.h"
#include "main/walk_text.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

QString TextFromBytes(const std::uint8_t* data, std::size_t size) {
  static const char16_t kExtra[] = {0x0000, 0x000D, 0x000A, 0x0009, 0x0020, 0x00A0,
                                    0x2029, 0xD83D, 0xDE00, 0x0661, 0xFF11, 0x0024};
  QString text;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    text.append(b < 0x80 ? QChar(b) : QChar(kExtra[b % std::size(kExtra)]));
  }
  return text;
}

QList<QStringView> Pieces(const QString& memo_text) {
  static QString normalised;
  normalised = StripTrailingChar(NormaliseSpaceRuns(memo_text), u' ');
  if (normalised.isEmpty())
    return {};
  return QStringView(normalised).split(u' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString text = TextFromBytes(data, size);
  const WalkReading reading = ReadWalk(text);
  const QList<QStringView> pieces = Pieces(text);

  Check((reading.report == WalkReport::kEmptyList) == pieces.isEmpty());
  Check(reading.points.size() <= static_cast<std::size_t>(pieces.size()));
  double balance = 0;
  for (std::size_t k = 0; k < reading.points.size(); ++k) {
    const QStringView piece = TrimControlAndSpace(pieces[static_cast<qsizetype>(k)]);
    const auto number = base::ParseInteger(piece);
    Check(number && *number >= 1 && *number <= 36);
    const bool red = IsInRedNumbers(*number);
    balance += red ? 1 : -1;
    Check(reading.points[k].x == static_cast<double>(k));
    Check(reading.points[k].y == balance);
    Check(reading.points[k].color == (red ? kRedColor : kBlackColor));
  }
  const auto next = static_cast<qsizetype>(reading.points.size());
  switch (reading.report) {
    case WalkReport::kEmptyList:
      return 0;
    case WalkReport::kNone:
      Check(next == pieces.size() || TrimControlAndSpace(pieces[next]).isEmpty());
      // A clean reading writes back a text that reads the same way again.
      Check(ReadWalk(reading.written_back).written_back == reading.written_back);
      break;
    case WalkReport::kNotAnInteger:
    case WalkReport::kOutOfRange: {
      Check(next < pieces.size());
      Check(TrimControlAndSpace(pieces[next]) == reading.bad_piece);
      const WalkReading again = ReadWalk(reading.written_back);
      Check(again.report == WalkReport::kNone || again.report == WalkReport::kEmptyList ||
            again.bad_piece != reading.bad_piece);
      break;
    }
  }
  return 0;
}
