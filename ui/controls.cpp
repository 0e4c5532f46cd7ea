#include "ui/controls.h"

#include "ui/handler_guard.h"

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
  if (items == Items())
    return;
  BeginUpdate();
  clear();
  addItems(items);
  ItemsChanged();
  EndUpdate();
}

int TListBox::AddItem(const QString& text) {
  addItem(text);
  ItemsChanged();
  return count() - 1;
}

void TListBox::ClearItems() {
  if (count() == 0)
    return;
  clear();
  ItemsChanged();
}

void TListBox::BeginUpdate() {
  if (update_depth_++ > 0)
    return;
  changed_in_bracket_ = false;
  updates_were_enabled_ = updatesEnabled();
  setUpdatesEnabled(false);
}

void TListBox::EndUpdate() {
  if (update_depth_ == 0 || --update_depth_ > 0)
    return;
  // Re-enabling schedules the one repaint of the whole rebuild.
  setUpdatesEnabled(updates_were_enabled_);
  if (changed_in_bracket_) {
    changed_in_bracket_ = false;
    if (OnChange)
      Guarded(OnChange);
  }
}

void TListBox::ItemsChanged() {
  if (update_depth_ > 0) {
    changed_in_bracket_ = true;
    return;
  }
  if (OnChange)
    Guarded(OnChange);
}

}  // namespace ui
