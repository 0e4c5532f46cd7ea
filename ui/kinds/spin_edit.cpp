#include "ui/kinds/spin_edit.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/qt_text.h"
#include "base/user_locale.h"
#include "ui/handler_guard.h"
#include "ui/user_notice.h"

namespace ui {
namespace {

constexpr int kButtonWidth = 15;

QToolButton* MakeSpinButton(QWidget* parent, Qt::ArrowType arrow, const QString& name) {
  auto* button = new QToolButton(parent);
  // An arrow says nothing to a screen reader; the name says which way the value goes.
  button->setAccessibleName(name);
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setCursor(Qt::ArrowCursor);
  return button;
}

bool IsAcceptedCharacter(QChar c) {
  if (c.unicode() < 0x20 || c.unicode() == 0x7F)
    return true;  // control characters edit
  if (c >= u'0' && c <= u'9')
    return true;
  if (c == u'+' || c == u'-')
    return true;
  return QLocale::system().decimalPoint().contains(c);
}

// Whether QLineEdit would insert the key's text: not for its shortcuts, nor for a key with Ctrl
// (with or without Shift) alone; with Alt, or Ctrl+Alt as some layouts type characters, it
// would.
bool InsertsText(const QKeyEvent* event) {
  if (event->text().isEmpty())
    return false;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
    return false;
  for (int key = QKeySequence::HelpContents; key <= QKeySequence::Cancel; ++key) {
    if (event->matches(static_cast<QKeySequence::StandardKey>(key)))
      return false;
  }
  return true;
}

std::optional<double> ParseNumber(const QString& text) {
  bool ok = false;
  const double value = base::NumberLocale().toDouble(text.trimmed(), &ok);
  if (!ok)
    return std::nullopt;
  return value;
}

bool SameValue(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

}  // namespace

TSpinEdit::TSpinEdit(QWidget* parent)
    : QLineEdit(parent),
      up_button_(MakeSpinButton(this, Qt::UpArrow, QStringLiteral("Больше"))),
      down_button_(MakeSpinButton(this, Qt::DownArrow, QStringLiteral("Меньше"))) {
  setTextMargins(0, 0, kButtonWidth, 0);
  connect(up_button_, &QToolButton::clicked, this, [this] { Guarded([this] { Step(1); }); });
  connect(down_button_, &QToolButton::clicked, this, [this] { Guarded([this] { Step(-1); }); });
  connect(this, &QLineEdit::textChanged, this, [this] {
    // Announced before the handler runs, so a screen reader hears the new value first.
    QAccessibleValueChangeEvent changed(this, Value());
    QAccessible::updateAccessibility(&changed);
    Raise(OnChange);
  });
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget* /*old*/, QWidget* now) { FocusChanged(now); });
}

int TSpinEdit::Value() const {
  const QString current = text();
  const auto parsed = base::ParseInteger(current);
  return parsed ? *parsed : min_value_;
}

int TSpinEdit::Clamped(int value) const {
  if (min_value_ == max_value_)
    return value;
  return std::clamp(value, min_value_, max_value_);
}

void TSpinEdit::SetValue(int value) {
  SetText(QString::number(Clamped(value)));
}

void TSpinEdit::SetText(const QString& new_text) {
  if (new_text == text())
    return;
  setText(new_text);
}

void TSpinEdit::Step(int steps) {
  const long long stepped =
      static_cast<long long>(Value()) + static_cast<long long>(steps) * increment_;
  const long long limited = std::clamp<long long>(stepped, min_value_, max_value_);
  SetText(QString::number(limited));
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      Step(1);
      return;
    case Qt::Key_Down:
      Step(-1);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Beep();
      return;
    default:
      break;
  }
  const QString typed = event->text();
  if (InsertsText(event) && !std::all_of(typed.begin(), typed.end(), IsAcceptedCharacter)) {
    Beep();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

namespace {

bool LeavesTheControl(Qt::FocusReason reason) {
  // The box's own context menu, or another window (a message box the rebuild shows, another
  // program) taking the focus, is no leaving: the focus comes back to the box with its text.
  return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason &&
         reason != Qt::MenuBarFocusReason;
}

}  // namespace

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
  away_ = !LeavesTheControl(event->reason());
  if (!away_)
    CorrectOnLeaving();
  QLineEdit::focusOutEvent(event);
}

void TSpinEdit::FocusChanged(QWidget* now) {
  // Back from another window or a popup: the focus lands on the box again, or, when a control of
  // this window was clicked meanwhile, on that control; only the second is leaving. Focus going
  // to yet another window (the message box, another program) says nothing yet.
  if (!away_ || !now || now->window() != window())
    return;
  away_ = false;
  if (now != this)
    Guarded([this] { CorrectOnLeaving(); });
}

void TSpinEdit::CorrectOnLeaving() {
  const int value = Value();
  if (value < min_value_ || value > max_value_)
    SetValue(value);
}

void TSpinEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  const int half = height() / 2;
  up_button_->setGeometry(width() - kButtonWidth, 0, kButtonWidth, half);
  down_button_->setGeometry(width() - kButtonWidth, half, kButtonWidth, height() - half);
}

qint64 TsSpinEdit::Value() const {
  bool ok = false;
  const qint64 value = text().toLongLong(&ok, 10);
  return ok ? value : 0;
}

void TsSpinEdit::SetValue(qint64 value) {
  if (value == Value())
    return;
  SetText(QString::number(value));
}

TAdvSpinEdit::TAdvSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  ShowValue();
  connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    const std::optional<double> typed = ParseNumber(text);
    if (!typed || SameValue(*typed, value_))
      return;
    value_ = *typed;
    Raise(OnChange);
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
  Raise(OnChange);
}

void TAdvSpinEdit::ShowValue() {
  lineEdit()->setText(base::NumberLocale().toString(value_, 'g', 15));
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
  const QLocale locale = base::NumberLocale();
  const QString allowed = QStringLiteral("0123456789+-eE ") + locale.decimalPoint() +
                          locale.negativeSign() + locale.positiveSign() + locale.exponential();
  for (const QChar c : input) {
    if (!allowed.contains(c))
      return QValidator::Invalid;
  }
  return QValidator::Intermediate;
}

void TAdvSpinEdit::fixup(QString& input) const {
  input = base::NumberLocale().toString(value_, 'g', 15);
}

}  // namespace ui
