#include "ui/controls.h"

#include "ui/services.h"

namespace ui {

TButton::TButton(QWidget* parent) : QPushButton(parent) {
  connect(this, &QPushButton::clicked, this, [this] {
    if (OnClick)
      Guarded(OnClick);
  });
}

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent) {
  connect(this, &QCheckBox::toggled, this, [this] {
    if (OnClick)
      Guarded(OnClick);
  });
}

QStringList TListBox::Items() const {
  QStringList items;
  items.reserve(count());
  for (int i = 0; i < count(); ++i)
    items.append(item(i)->text());
  return items;
}

void TListBox::SetItems(const QStringList& items) {
  clear();
  addItems(items);
}

}  // namespace ui
