#pragma once

#include <QIcon>

// The program's icon, a short walk of red and black squares over a zero line, in every size the
// build renders from desktop/tarvelon.svg.
QIcon AppIcon();
