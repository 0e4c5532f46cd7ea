#pragma once

#include <QIcon>

// The program's icon: a short walk of red and black squares over a zero line.
QIcon AppIcon();
