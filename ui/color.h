#pragma once

#include <QColor>

#include <cstdint>

namespace ui {

// Colours are the program's 24-bit blue-green-red integers ($0000FF is red, 0 is black); they
// are turned into QColor only when drawing.
using TColor = std::uint32_t;
// The automatic colour: a point drawn in its series' colour.
inline constexpr TColor clTeeColor = 0x20000000;

// A blue-green-red integer as an opaque QColor; the bits above the low 24 are ignored.
inline QColor ToQColor(TColor color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace ui
