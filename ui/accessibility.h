#pragma once

namespace ui {

// Tells Qt how assistive technology sees the program's own widgets: a top-level form as a
// window, the chart as a chart, TSpinEdit as a spin box, TTextBox as an editable text. Qt asks
// these factories when a widget's accessibility view is first wanted, so this runs once at start,
// before the first window is made (and in each test fixture that makes these widgets); running it
// again changes nothing, as Qt keeps each factory once.
void InstallAccessibilityFactories();

}  // namespace ui
