#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace ui {

// The plain control kinds, which the store keeps nothing of. Each is the Qt widget that fits,
// under the name the program knows; the stored kinds live in ui/kinds/, one header per family.

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

// A timer component; the program starts and stops it with QTimer's own start() and stop().
class TTimer : public QTimer {
 public:
  using QTimer::QTimer;
};

}  // namespace ui
