#pragma once

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>
#include <QTime>
#include <QtGlobal>

#include <functional>

class QButtonGroup;
class QVBoxLayout;

namespace ui {

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

// A panel filled with its colour. The colour is a blue-green-red integer ($0000FF is red); a
// negative value (high bit set) names a system colour by its low byte and is drawn with the
// matching colour of the application's palette.
class TPanel : public QFrame {
 public:
  // The button face, the panel's usual colour.
  static constexpr qint32 kButtonFace = static_cast<qint32>(0x8000000Fu);

  explicit TPanel(QWidget* parent = nullptr);

  qint32 Color() const { return color_; }
  // Setting the colour it already has raises nothing.
  void SetColor(qint32 color);
  // The colour the panel is drawn with.
  QColor DisplayColor() const;

  // Every change of the colour.
  std::function<void()> OnChange;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void ApplyColor();

  qint32 color_ = kButtonFace;
};

// A spin box with a floating-point value, shown with up to 15 significant digits in the user's
// number format. The value is kept exactly as set; typed text that is a number becomes the value
// at once, other text is put back to the value when editing ends.
class TAdvSpinEdit : public QAbstractSpinBox {
 public:
  explicit TAdvSpinEdit(QWidget* parent = nullptr);

  double FloatValue() const { return value_; }
  // Setting the value it already has raises nothing.
  void SetFloatValue(double value);

  double Increment() const { return increment_; }
  void SetIncrement(double increment) { increment_ = increment; }

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& position) const override;
  void fixup(QString& input) const override;

  // Every change of the value.
  std::function<void()> OnChange;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  void ShowValue();

  double value_ = 0;
  double increment_ = 1;
};

// A date and time picker. Its time of day is kept to whole seconds.
class TDateTimePicker : public QDateTimeEdit {
 public:
  // Starts at the current date and time.
  explicit TDateTimePicker(QWidget* parent = nullptr);

  QTime Time() const;
  // Sets the time of day, dropping milliseconds; the date stays. A time equal to the current
  // one to the second, or an invalid time, changes nothing.
  void SetTime(const QTime& time);

  // Every change of the date or the time.
  std::function<void()> OnChange;
};

}  // namespace ui
