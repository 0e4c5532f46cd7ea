#include "ui/design_font.h"

#include <QFontInfo>

namespace ui {
namespace {

// The fallback face at this width, in percent, takes about Tahoma's room.
constexpr int kNarrowedStretch = 87;

}  // namespace

QFont DesignFont(FallbackWidth fallback) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  if (fallback == FallbackWidth::kNarrowed && QFontInfo(font).family() != font.family())
    font.setStretch(kNarrowedStretch);
  return font;
}

}  // namespace ui
