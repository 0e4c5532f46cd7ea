#include "ui/form.h"

#include <algorithm>

namespace ui {
namespace {

std::vector<TForm*>& Forms() {
  static std::vector<TForm*> forms;
  return forms;
}

}  // namespace

TForm::TForm(QWidget* parent) : QWidget(parent) {
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
