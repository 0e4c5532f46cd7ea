#pragma once

#include <QFont>

namespace ui {

// What becomes of the design font where Tahoma is missing and the system's fallback face, wider
// than Tahoma, stands in for it.
enum class FallbackWidth {
  // The fallback face as it is. The chart's axis labels have room around them and are drawn so.
  kNatural,
  // The fallback face narrowed to Tahoma's width, so that the window's texts still fit the
  // places laid out for them.
  kNarrowed,
};

// The font the window and the chart were laid out for: Tahoma at 11 pixels.
QFont DesignFont(FallbackWidth fallback);

}  // namespace ui
