#include "ui/form.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <algorithm>

namespace ui {
namespace {

std::vector<TForm*>& Forms() {
  static std::vector<TForm*> forms;
  return forms;
}

// A top-level form is a window to assistive technology (a frame on the desktop's bus), named by
// its caption; a form placed inside another widget stays a plain part of it.
QAccessibleInterface* FormFactory(const QString& /*class_name*/, QObject* object) {
  // TForm has no meta-object of its own, so it is told apart by its C++ type.
  auto* form = dynamic_cast<TForm*>(object);
  if (form && form->isWindow())
    return new QAccessibleWidget(form, QAccessible::Window);
  return nullptr;
}

}  // namespace

TForm::TForm(QWidget* parent) : QWidget(parent) {
  static const bool factory_installed = [] {
    QAccessible::installFactory(FormFactory);
    return true;
  }();
  Q_UNUSED(factory_installed);
  Forms().push_back(this);
}

TForm::~TForm() {
  std::erase(Forms(), this);
}

void TForm::AddComponent(const QString& name, QObject* object) {
  if (object)
    object->setObjectName(name);
  components_.push_back({name, object});
}

QSize FirstClientSize(QSize design, QSize available, QSize frame, QSize minimum) {
  return design.boundedTo(available - frame).expandedTo(minimum);
}

const std::vector<TForm*>& ApplicationForms() {
  return Forms();
}

bool IsVisibleFlag(const QWidget* widget) {
  // A top-level window's flag is whether it is shown; a child's is whether it would show with
  // its parent, which ignores a hidden container further up.
  const QWidget* parent = widget->parentWidget();
  if (!parent)
    return !widget->isHidden();
  return widget->isVisibleTo(parent);
}

}  // namespace ui
