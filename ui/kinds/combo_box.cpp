#include "ui/kinds/combo_box.h"

#include "ui/handler_guard.h"

namespace ui {

EditableComboBox::EditableComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  connect(this, &QComboBox::editTextChanged, this, [this] {
    if (!quiet_)
      Raise(OnChange);
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
  if (changed)
    Raise(OnChange);
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

}  // namespace ui
