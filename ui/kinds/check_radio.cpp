#include "ui/kinds/check_radio.h"

#include <QButtonGroup>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/handler_guard.h"

namespace ui {

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent) {
  connect(this, &QCheckBox::toggled, this, [this] { Raise(OnClick); });
}

TsCheckBox::TsCheckBox(QWidget* parent) : QCheckBox(parent) {
  connect(this, &QCheckBox::toggled, this, [this] { Raise(OnClick); });
}

TRadioButton::TRadioButton(QWidget* parent) : QRadioButton(parent) {
  connect(this, &QRadioButton::toggled, this, [this] { Raise(OnClick); });
}

void TRadioButton::SetChecked(bool checked) {
  if (checked == isChecked())
    return;
  if (!checked && autoExclusive()) {
    // Qt never clears the checked button of an exclusive set; lifting the exclusivity for the
    // moment of the change lets the program clear it.
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
    return;
  }
  setChecked(checked);
}

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), buttons_(new QButtonGroup(this)), layout_(new QVBoxLayout(this)) {
  buttons_->setExclusive(true);
  connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    // A click moves the selection by clearing one button and checking another: one change.
    if (checked && !quiet_)
      Raise(OnClick);
  });
}

void TRadioGroup::SetItems(const QStringList& items) {
  if (items == items_)
    return;
  const int selected = ItemIndex();
  quiet_ = true;
  for (QAbstractButton* button : buttons_->buttons()) {
    buttons_->removeButton(button);
    delete button;
  }
  items_ = items;
  for (int i = 0; i < items_.size(); ++i) {
    auto* button = new QRadioButton(items_[i], this);
    layout_->addWidget(button);
    buttons_->addButton(button, i);
  }
  if (selected >= 0 && selected < items_.size())
    buttons_->button(selected)->setChecked(true);
  quiet_ = false;
  if (ItemIndex() != selected)
    Raise(OnClick);
}

int TRadioGroup::ItemIndex() const {
  return buttons_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
  index = std::clamp(index, -1, static_cast<int>(items_.size()) - 1);
  if (index == ItemIndex())
    return;
  quiet_ = true;
  if (index >= 0) {
    buttons_->button(index)->setChecked(true);
  } else {
    // An exclusive group keeps one button checked; clearing it needs the exclusivity lifted.
    buttons_->setExclusive(false);
    buttons_->checkedButton()->setChecked(false);
    buttons_->setExclusive(true);
  }
  quiet_ = false;
  Raise(OnClick);
}

}  // namespace ui
