#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "ui/chart/chart.h"
#include "ui/form.h"
#include "ui/kinds/spin_edit_accessible.h"
#include "ui/textbox/text_box_accessible.h"

namespace ui {
namespace {

// A top-level form is a window to assistive technology (a frame on the desktop's bus), named by
// its caption; a form placed inside another widget stays a plain part of it.
QAccessibleInterface* FormFactory(const QString& /*class_name*/, QObject* object) {
  // TForm has no meta-object of its own, so it is told apart by its C++ type.
  auto* form = dynamic_cast<TForm*>(object);
  if (form && form->isWindow())
    return new QAccessibleWidget(form, QAccessible::Window);
  return nullptr;
}

// Assistive technology sees the widget as a chart, named by its title and described in words.
QAccessibleInterface* ChartFactory(const QString& /*class_name*/, QObject* object) {
  // TChart has no meta-object of its own, so it is told apart by its C++ type.
  if (auto* chart = dynamic_cast<TChart*>(object))
    return new QAccessibleWidget(chart, QAccessible::Chart);
  return nullptr;
}

}  // namespace

void InstallAccessibilityFactories() {
  QAccessible::installFactory(FormFactory);
  QAccessible::installFactory(ChartFactory);
  QAccessible::installFactory(SpinEditAccessibleFactory);
  QAccessible::installFactory(TextBoxAccessibleFactory);
}

}  // namespace ui
