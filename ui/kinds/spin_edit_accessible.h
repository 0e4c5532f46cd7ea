#pragma once

#include <QAccessibleInterface>

namespace ui {

// Makes the accessibility view of every TSpinEdit: a spin box with the box's value, range and
// step, and its text to read and edit. Installed with the program's other views by
// InstallAccessibilityFactories (ui/accessibility.h).
QAccessibleInterface* SpinEditAccessibleFactory(const QString& class_name, QObject* object);

}  // namespace ui
