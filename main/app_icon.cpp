#include "main/app_icon.h"

#include <QDirIterator>

QIcon AppIcon() {
  // The bitmaps rendered at build time from desktop/tarvelon.svg, the icon's one drawing (see
  // desktop/CMakeLists.txt), one per size of the icon theme; the window takes the nearest.
  QIcon icon;
  QDirIterator bitmaps(QStringLiteral(":/icon"), {QStringLiteral("tarvelon.png")}, QDir::Files,
                       QDirIterator::Subdirectories);
  while (bitmaps.hasNext())
    icon.addFile(bitmaps.next());
  return icon;
}
