#include "ui/kinds/line_edit.h"

#include <QLabel>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "ui/handler_guard.h"

namespace ui {

LineTextBox::LineTextBox(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this] { Raise(OnChange); });
}

QString LineTextBox::Text() const {
  return inputMask().isEmpty() ? text() : displayText();
}

void LineTextBox::SetText(const QString& new_text) {
  if (new_text == Text())
    return;
  // Under a mask a differently spelt equal text maps to the same contents; QLineEdit then
  // reports no change, so OnChange stays quiet as well.
  setText(new_text);
}

TsDateEdit::TsDateEdit(QWidget* parent) : LineTextBox(parent) {
  // "0" lets a position stay blank, so an empty or partly typed date is a valid state of the box.
  setInputMask(QStringLiteral("00.00.0000;_"));
}

TsCurrencyEdit::TsCurrencyEdit(QWidget* parent) : LineTextBox(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  static const QRegularExpression amount(QStringLiteral("[-+]?[0-9 \u00A0]*([.,][0-9]*)?"));
  setValidator(new QRegularExpressionValidator(amount, this));
}

TLabeledEdit::TLabeledEdit(QWidget* parent)
    : QWidget(parent), label_(new QLabel(this)), editor_(new QLineEdit(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(3);
  layout->addWidget(label_);
  layout->addWidget(editor_);
  label_->setBuddy(editor_);
  setFocusProxy(editor_);
  connect(editor_, &QLineEdit::textChanged, this, [this] { Raise(OnChange); });
}

void TLabeledEdit::SetText(const QString& text) {
  if (text == editor_->text())
    return;
  editor_->setText(text);
}

}  // namespace ui
