#include "ui/kinds/list_box.h"

#include <stdexcept>
#include <string>

#include "ui/handler_guard.h"

namespace ui {

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
    Raise(OnChange);
  }
}

void TListBox::ItemsChanged() {
  if (update_depth_ > 0) {
    changed_in_bracket_ = true;
    return;
  }
  Raise(OnChange);
}

TCheckListBox::TCheckListBox(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemChanged, this, [this] {
    if (!quiet_)
      Changed();
  });
}

QStringList TCheckListBox::Items() const {
  QStringList items;
  items.reserve(count());
  for (int i = 0; i < count(); ++i)
    items.append(item(i)->text());
  return items;
}

int TCheckListBox::AddItem(const QString& text) {
  quiet_ = true;
  auto* added = new QListWidgetItem(text);
  added->setFlags(added->flags() | Qt::ItemIsUserCheckable);
  added->setCheckState(Qt::Unchecked);
  addItem(added);
  quiet_ = false;
  Changed();
  return count() - 1;
}

void TCheckListBox::ClearItems() {
  if (count() == 0)
    return;
  quiet_ = true;
  clear();
  quiet_ = false;
  Changed();
}

QListWidgetItem* TCheckListBox::ItemAt(int index) const {
  if (index < 0 || index >= count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return item(index);
}

bool TCheckListBox::Checked(int index) const {
  return ItemAt(index)->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
  QListWidgetItem* target = ItemAt(index);
  if ((target->checkState() == Qt::Checked) == checked)
    return;
  quiet_ = true;
  target->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  quiet_ = false;
  Changed();
}

void TCheckListBox::Changed() {
  Raise(OnChange);
}

}  // namespace ui
