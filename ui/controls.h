#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>

#include <functional>

namespace ui {

// The simple control kinds. Each is the Qt widget that fits, under the name the store knows.

class TGroupBox : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;
};

class TLabel : public QLabel {
 public:
  using QLabel::QLabel;
};

class TButton : public QPushButton {
 public:
  explicit TButton(QWidget* parent = nullptr);
  std::function<void()> OnClick;
};

// A button with a 16 x 16 picture.
class TBitBtn : public TButton {
 public:
  using TButton::TButton;
};

class TCheckBox : public QCheckBox {
 public:
  explicit TCheckBox(QWidget* parent = nullptr);
  bool Checked() const { return isChecked(); }
  // Setting the state it already has raises nothing.
  void SetChecked(bool checked) { setChecked(checked); }
  std::function<void()> OnClick;
};

class TListBox : public QListWidget {
 public:
  using QListWidget::QListWidget;
  QStringList Items() const;
  void SetItems(const QStringList& items);
};

class TRichEdit : public QTextEdit {
 public:
  using QTextEdit::QTextEdit;
};

class TTimer : public QTimer {
 public:
  using QTimer::QTimer;
  bool Enabled() const { return isActive(); }
  void SetEnabled(bool enabled) { enabled ? start() : stop(); }
};

}  // namespace ui
