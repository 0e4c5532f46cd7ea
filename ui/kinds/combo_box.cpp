#include "ui/kinds/combo_box.h"

#include <stdexcept>
#include <string>

#include "ui/handler_guard.h"

namespace ui {

EditableComboBox::EditableComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  connect(this, &QComboBox::editTextChanged, this, [this] {
    if (!quiet_ && OnChange)
      Guarded(OnChange);
  });
}

QStringList EditableComboBox::Items() const {
  QStringList items;
  items.reserve(count());
  for (int i = 0; i < count(); ++i)
    items.append(itemText(i));
  return items;
}

template <typename Edit>
void EditableComboBox::EditQuietly(const QString& text, bool changed, Edit&& edit) {
  quiet_ = true;
  try {
    edit();
    // QComboBox shows the first item added to an empty box and blanks the field when cleared;
    // the text is a property of its own here, so it is put back.
    ShowText(text);
  } catch (...) {
    quiet_ = false;
    throw;
  }
  quiet_ = false;
  if (changed && OnChange)
    Guarded(OnChange);
}

void EditableComboBox::ShowText(const QString& text) {
  setCurrentIndex(findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
  if (currentText() != text)
    setEditText(text);
}

void EditableComboBox::SetItems(const QStringList& items) {
  if (items == Items())
    return;
  EditQuietly(Text(), true, [&] {
    clear();
    addItems(items);
  });
}

int EditableComboBox::AddItem(const QString& text) {
  EditQuietly(Text(), true, [&] { addItem(text); });
  return count() - 1;
}

void EditableComboBox::ClearItems() {
  if (count() == 0)
    return;
  EditQuietly(Text(), true, [&] { clear(); });
}

void EditableComboBox::SetText(const QString& text) {
  if (text == Text())
    return;
  EditQuietly(text, true, [] {});
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
  if (OnChange)
    Guarded(OnChange);
}

}  // namespace ui
