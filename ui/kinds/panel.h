#pragma once

#include <QColor>
#include <QFrame>
#include <QtGlobal>

#include <functional>

class QEvent;

namespace ui {

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

}  // namespace ui
