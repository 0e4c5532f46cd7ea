#include "ui/kinds/check_radio.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateTime>
#include <QEvent>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

#include "ui/color.h"
#include "ui/handler_guard.h"

namespace ui {
namespace {

// The palette role that stands for a system colour index.
QPalette::ColorRole SystemColorRole(int index) {
  switch (index) {
    case 5:  // window background
      return QPalette::Base;
    case 6:   // window frame
    case 16:  // button shadow
      return QPalette::Dark;
    case 7:  // menu text
    case 8:  // window text
      return QPalette::WindowText;
    case 13:  // highlight
      return QPalette::Highlight;
    case 14:  // highlighted text
      return QPalette::HighlightedText;
    case 18:  // button text
      return QPalette::ButtonText;
    case 20:  // button highlight
      return QPalette::Light;
    case 21:  // dark shadow
      return QPalette::Shadow;
    case 22:  // light
      return QPalette::Midlight;
    case 23:  // tooltip text
      return QPalette::ToolTipText;
    case 24:  // tooltip background
      return QPalette::ToolTipBase;
    case 15:  // button face
      return QPalette::Button;
    default:
      return QPalette::Window;
  }
}

// The user's number format without thousands separators, which would not read back.
QLocale NumberLocale() {
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

std::optional<double> ParseNumber(const QString& text) {
  bool ok = false;
  const double value = NumberLocale().toDouble(text.trimmed(), &ok);
  if (!ok)
    return std::nullopt;
  return value;
}

bool SameValue(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

QTime WholeSeconds(const QTime& time) {
  return QTime(time.hour(), time.minute(), time.second());
}

}  // namespace

TsCheckBox::TsCheckBox(QWidget* parent) : QCheckBox(parent) {
  connect(this, &QCheckBox::toggled, this, [this] {
    if (OnClick)
      Guarded(OnClick);
  });
}

TRadioButton::TRadioButton(QWidget* parent) : QRadioButton(parent) {
  connect(this, &QRadioButton::toggled, this, [this] {
    if (OnClick)
      Guarded(OnClick);
  });
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
    if (checked && !quiet_ && OnClick)
      Guarded(OnClick);
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
  if (ItemIndex() != selected && OnClick)
    Guarded(OnClick);
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
  if (OnClick)
    Guarded(OnClick);
}

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setAutoFillBackground(true);
  ApplyColor();
}

void TPanel::SetColor(qint32 color) {
  if (color == color_)
    return;
  color_ = color;
  ApplyColor();
  if (OnChange)
    Guarded(OnChange);
}

QColor TPanel::DisplayColor() const {
  if (color_ < 0)
    return QApplication::palette().color(SystemColorRole(color_ & 0xFF));
  return ToQColor(static_cast<TColor>(color_));
}

void TPanel::ApplyColor() {
  QPalette own = palette();
  own.setColor(backgroundRole(), DisplayColor());
  setPalette(own);
}

void TPanel::changeEvent(QEvent* event) {
  // A system colour follows the application's palette when that changes.
  if (event->type() == QEvent::ApplicationPaletteChange && color_ < 0)
    ApplyColor();
  QFrame::changeEvent(event);
}

TAdvSpinEdit::TAdvSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  ShowValue();
  connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    const std::optional<double> typed = ParseNumber(text);
    if (!typed || SameValue(*typed, value_))
      return;
    value_ = *typed;
    if (OnChange)
      Guarded(OnChange);
  });
  connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
    if (!ParseNumber(lineEdit()->text()))
      ShowValue();
  });
}

void TAdvSpinEdit::SetFloatValue(double value) {
  if (SameValue(value, value_))
    return;
  value_ = value;
  ShowValue();
  if (OnChange)
    Guarded(OnChange);
}

void TAdvSpinEdit::ShowValue() {
  lineEdit()->setText(NumberLocale().toString(value_, 'g', 15));
}

void TAdvSpinEdit::stepBy(int steps) {
  SetFloatValue(value_ + steps * increment_);
  selectAll();
}

QAbstractSpinBox::StepEnabled TAdvSpinEdit::stepEnabled() const {
  return StepUpEnabled | StepDownEnabled;
}

QValidator::State TAdvSpinEdit::validate(QString& input, int&) const {
  if (ParseNumber(input))
    return QValidator::Acceptable;
  // Whatever may still grow into a number ("-", "1e", "2,") is let through for now.
  const QLocale locale = NumberLocale();
  const QString allowed = QStringLiteral("0123456789+-eE ") + locale.decimalPoint() +
                          locale.negativeSign() + locale.positiveSign() + locale.exponential();
  for (const QChar c : input) {
    if (!allowed.contains(c))
      return QValidator::Invalid;
  }
  return QValidator::Intermediate;
}

void TAdvSpinEdit::fixup(QString& input) const {
  input = NumberLocale().toString(value_, 'g', 15);
}

TDateTimePicker::TDateTimePicker(QWidget* parent)
    : QDateTimeEdit(QDateTime(QDate::currentDate(), WholeSeconds(QTime::currentTime())), parent) {
  setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat) +
                   QStringLiteral(" HH:mm:ss"));
  connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
    if (OnChange)
      Guarded(OnChange);
  });
}

QTime TDateTimePicker::Time() const {
  return WholeSeconds(time());
}

void TDateTimePicker::SetTime(const QTime& time) {
  if (!time.isValid())
    return;
  const QTime whole = WholeSeconds(time);
  if (whole == Time())
    return;
  setTime(whole);
}

}  // namespace ui
