#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QString>
#include <QValidator>
#include <QtGlobal>

#include <functional>

#include "ui/kinds/line_edit.h"

class QToolButton;

namespace ui {

// An integer box with two spin buttons. Its value is the integer its text holds, or MinValue when
// the text is not an integer; typing is not limited to the range, stepping and leaving the box
// are. Leaving means the focus going to another control of the window: the box's own context
// menu, a message box or another window taking the focus leaves the typed text as it is. Every
// change of the text raises OnChange.
// Not a QSpinBox, whose value always lies in its range and whose validator refuses text that is
// not one: here a typed integer stays as typed, even outside the range, until the box is left;
// text that is no integer stays too (the value is then MinValue); a refused character and Enter
// beep instead of being dropped in silence; and the two buttons carry names a screen reader says.
class TSpinEdit : public QLineEdit {
 public:
  explicit TSpinEdit(QWidget* parent = nullptr);

  int MinValue() const { return min_value_; }
  int MaxValue() const { return max_value_; }
  int Increment() const { return increment_; }
  void SetMinValue(int value) { min_value_ = value; }
  void SetMaxValue(int value) { max_value_ = value; }
  void SetIncrement(int value) { increment_ = value; }

  int Value() const;
  // Limits the value to MinValue .. MaxValue (when these differ) and writes it as text.
  void SetValue(int value);
  QString Text() const { return text(); }
  // Writing the text the box already shows is no change.
  void SetText(const QString& text);

  // Steps the value by `steps` increments within MinValue .. MaxValue.
  void Step(int steps);

  std::function<void()> OnChange;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int Clamped(int value) const;
  // Brings a value outside MinValue .. MaxValue to the nearer limit.
  void CorrectOnLeaving();
  void FocusChanged(QWidget* now);

  int min_value_ = 0;
  int max_value_ = 100;
  int increment_ = 1;
  // The focus went to a popup or another window; where it comes back decides whether the box
  // was left.
  bool away_ = false;
  QToolButton* up_button_;
  QToolButton* down_button_;
};

// A skinned spin box with a 64-bit integer value; a TsEdit. Its value is the integer its text
// holds (decimal, optional sign, blanks around ignored), or 0 when the text holds none, and
// setting the value writes it as decimal text. Text and value therefore never disagree.
class TsSpinEdit : public TsEdit {
 public:
  using TsEdit::TsEdit;

  qint64 Value() const;
  // A value equal to the current one changes nothing, even when the text spells it differently
  // ("+5", "05") or holds no integer (value 0), so restoring the value the box already reports
  // leaves the text alone and raises nothing.
  void SetValue(qint64 value);
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

}  // namespace ui
