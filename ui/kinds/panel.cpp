#include "ui/kinds/panel.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>

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

}  // namespace

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
  Raise(OnChange);
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

}  // namespace ui
