#include "ui/controls.h"

#include "ui/handler_guard.h"

namespace ui {

TButton::TButton(QWidget* parent) : QPushButton(parent) {
  connect(this, &QPushButton::clicked, this, [this] { Raise(OnClick); });
}

}  // namespace ui
