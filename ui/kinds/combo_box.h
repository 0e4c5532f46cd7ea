#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

#include <functional>

namespace ui {

// An editable combo box whose items and text the program sets separately: editing the items
// never changes the text, and the user's Enter never adds an item. OnChange follows every change
// of the text or of the items, once per setter call, and nothing else. This is a shared
// implementation, not a control kind: TComboBox and TsComboBox each derive from it.
class EditableComboBox : public QComboBox {
 public:
  explicit EditableComboBox(QWidget* parent = nullptr);

  QStringList Items() const;
  // Items equal to the current ones change nothing.
  void SetItems(const QStringList& items);
  // Adds an item at the end and returns its index.
  int AddItem(const QString& text);
  void ClearItems();

  QString Text() const { return currentText(); }
  // Shows `text` in the edit field, selecting the item of that exact text when there is one.
  // Writing the text already shown is no change.
  void SetText(const QString& text);

  std::function<void()> OnChange;

 private:
  // Runs `edit` with the box's own change signals muted, puts `text` back in the edit field, and
  // raises OnChange once when `changed`.
  template <typename Edit>
  void EditQuietly(const QString& text, bool changed, Edit&& edit);
  void ShowText(const QString& text);

  bool quiet_ = false;
};

// A combo box.
class TComboBox : public EditableComboBox {
 public:
  using EditableComboBox::EditableComboBox;
};

// A skinned combo box. Not a TComboBox.
class TsComboBox : public EditableComboBox {
 public:
  using EditableComboBox::EditableComboBox;
};

}  // namespace ui
