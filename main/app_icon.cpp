#include "main/app_icon.h"

#include <QPainter>
#include <QPixmap>

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double cell = size / 6.0;
    painter.setPen(QPen(QColor(243, 156, 53), std::max(1.0, size / 32.0)));
    painter.drawLine(QPointF(0, size * 0.6), QPointF(size, size * 0.6));
    // Balance after each of five numbers: red up, black down.
    const int balance[] = {1, 2, 1, 2, 3};
    const bool red[] = {true, true, false, true, true};
    for (int i = 0; i < 5; ++i) {
      const QRectF square(cell * (i + 0.5), size * 0.6 - balance[i] * cell - cell / 2, cell, cell);
      painter.setPen(QPen(Qt::black, std::max(1.0, size / 48.0)));
      painter.setBrush(red[i] ? QColor(255, 0, 0) : QColor(0, 0, 0));
      painter.drawRect(square);
    }
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}
