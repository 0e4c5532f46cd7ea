#include "ui/kinds/spin_edit_accessible.h"

#include <QAccessibleWidget>
#include <QFontMetrics>

#include "ui/handler_guard.h"
#include "ui/kinds/spin_edit.h"

namespace ui {
namespace {

// What assistive technology sees of a TSpinEdit: a spin box whose value is the box's value and
// whose range and step are the box's own, with the box's text to read and edit, as for Qt's own
// spin boxes. Its name comes, as for any widget, from the label whose buddy it is. Edits made
// through it go through the box's text, so they raise OnChange like the user's.
class SpinEditAccessible : public QAccessibleWidget,
                           public QAccessibleValueInterface,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
 public:
  explicit SpinEditAccessible(TSpinEdit* box) : QAccessibleWidget(box, QAccessible::SpinBox) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    switch (type) {
      case QAccessible::ValueInterface:
        return static_cast<QAccessibleValueInterface*>(this);
      case QAccessible::TextInterface:
        return static_cast<QAccessibleTextInterface*>(this);
      case QAccessible::EditableTextInterface:
        return static_cast<QAccessibleEditableTextInterface*>(this);
      default:
        return QAccessibleWidget::interface_cast(type);
    }
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value)
      return Box()->Text();
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.focusable = true;
    state.selectableText = true;
    return state;
  }

  // The value.
  QVariant currentValue() const override { return Box()->Value(); }
  void setCurrentValue(const QVariant& value) override {
    Guarded([&] { Box()->SetValue(value.toInt()); });
  }
  QVariant maximumValue() const override { return Box()->MaxValue(); }
  QVariant minimumValue() const override { return Box()->MinValue(); }
  QVariant minimumStepSize() const override { return Box()->Increment(); }

  // The text.
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index == 0 && Box()->hasSelectedText()) {
      *start = Box()->selectionStart();
      *end = *start + static_cast<int>(Box()->selectedText().size());
    }
  }
  int selectionCount() const override { return Box()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0)
      Box()->deselect();
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0)
      Box()->setSelection(start, end - start);
  }
  int cursorPosition() const override { return Box()->cursorPosition(); }
  void setCursorPosition(int position) override { Box()->setCursorPosition(position); }
  QString text(int start, int end) const override { return Box()->Text().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Box()->Text().size()); }
  QRect characterRect(int offset) const override {
    // Where the character stands in the unscrolled text; the box is short enough to show it all.
    const QString shown = Box()->Text();
    if (offset < 0 || offset >= shown.size())
      return {};
    const QFontMetrics metrics = Box()->fontMetrics();
    const QRect inside = Box()->contentsRect().marginsRemoved(Box()->textMargins());
    const QPoint at(inside.left() + kTextIndent + metrics.horizontalAdvance(shown.left(offset)),
                    inside.center().y() - metrics.height() / 2);
    return QRect(Box()->mapToGlobal(at),
                 QSize(metrics.horizontalAdvance(shown.at(offset)), metrics.height()));
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Box()->cursorPositionAt(Box()->mapFromGlobal(point));
  }
  void scrollToSubstring(int start, int end) override {
    Box()->setCursorPosition(end);
    Box()->setCursorPosition(start);
  }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

  // Editing.
  void deleteText(int start, int end) override { replaceText(start, end, {}); }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int start, int end, const QString& text) override {
    QString edited = Box()->Text();
    edited.replace(start, end - start, text);
    Guarded([&] { Box()->SetText(edited); });
  }

 private:
  // A line edit leaves this much room before its text.
  static constexpr int kTextIndent = 2;

  TSpinEdit* Box() const { return static_cast<TSpinEdit*>(widget()); }
};

}  // namespace

QAccessibleInterface* SpinEditAccessibleFactory(const QString& /*class_name*/, QObject* object) {
  // TSpinEdit has no meta-object of its own, so it is told apart by its C++ type.
  if (auto* box = dynamic_cast<TSpinEdit*>(object))
    return new SpinEditAccessible(box);
  return nullptr;
}

}  // namespace ui
