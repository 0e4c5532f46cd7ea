#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QVBoxLayout;

namespace ui {

// A check box.
class TCheckBox : public QCheckBox {
 public:
  explicit TCheckBox(QWidget* parent = nullptr);
  bool Checked() const { return isChecked(); }
  // Setting the state it already has raises nothing.
  void SetChecked(bool checked) { setChecked(checked); }
  std::function<void()> OnClick;
};

// A skinned check box. Not a TCheckBox.
class TsCheckBox : public QCheckBox {
 public:
  explicit TsCheckBox(QWidget* parent = nullptr);
  bool Checked() const { return isChecked(); }
  // Setting the state it already has raises nothing.
  void SetChecked(bool checked) { setChecked(checked); }
  // Every change of the mark.
  std::function<void()> OnClick;
};

// A radio button. Checking it clears its checked sibling, which raises that sibling's OnClick
// too; unlike a plain Qt radio button it can also be cleared by the program, so a set of buttons
// may end with none checked.
class TRadioButton : public QRadioButton {
 public:
  explicit TRadioButton(QWidget* parent = nullptr);
  bool Checked() const { return isChecked(); }
  // Setting the state it already has raises nothing.
  void SetChecked(bool checked);
  // Every change of the mark.
  std::function<void()> OnClick;
};

// A skinned radio button; a TRadioButton.
class TsRadioButton : public TRadioButton {
 public:
  using TRadioButton::TRadioButton;
};

// A group box with one radio button per item, at most one of them selected.
class TRadioGroup : public QGroupBox {
 public:
  explicit TRadioGroup(QWidget* parent = nullptr);

  QStringList Items() const { return items_; }
  // Rebuilds the buttons; the selection stays when its index still exists, otherwise none is.
  void SetItems(const QStringList& items);

  // The index of the selected item, -1 when none is.
  int ItemIndex() const;
  // Selects item `index`, limited to -1 .. the last index; -1 clears the selection. Selecting
  // the item already selected raises nothing.
  void SetItemIndex(int index);

  // Every change of the selection, the user's clicks included.
  std::function<void()> OnClick;

 private:
  QStringList items_;
  QButtonGroup* buttons_;
  QVBoxLayout* layout_;
  bool quiet_ = false;
};

}  // namespace ui
