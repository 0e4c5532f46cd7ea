#pragma once

#include <QColor>
#include <QPen>

namespace ui {

// The hover highlight: red at half opacity, 3 pixels wide.
inline const QColor kHoverColor(255, 0, 0, 128);

inline QPen LinePen(const QColor& color, int width) {
  // Square caps on pixel centres cover whole pixels, so horizontal lines come out crisp.
  return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

}  // namespace ui
