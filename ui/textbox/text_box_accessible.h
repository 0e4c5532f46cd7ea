#pragma once

#include <QAccessibleWidget>

namespace ui {

class TTextBox;

// The accessibility view of a TTextBox: an editable multi-line text with its caret and
// selection. Every query for a range of the text reads only that range (and, for word and line
// boundaries, the text around the offset up to the boundary), never the whole text.
class TTextBoxAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
 public:
  explicit TTextBoxAccessible(TTextBox* box);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text type) const override;

  void selection(int selection_index, int* start_offset, int* end_offset) const override;
  int selectionCount() const override;
  void addSelection(int start_offset, int end_offset) override;
  void removeSelection(int selection_index) override;
  void setSelection(int selection_index, int start_offset, int end_offset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int start_offset, int end_offset) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start_offset,
                           int* end_offset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start_offset,
                          int* end_offset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start_offset,
                       int* end_offset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int start_index, int end_index) override;
  QString attributes(int offset, int* start_offset, int* end_offset) const override;

  void deleteText(int start_offset, int end_offset) override;
  void insertText(int offset, const QString& text) override;
  void replaceText(int start_offset, int end_offset, const QString& text) override;

 private:
  TTextBox* Box() const;
  // The span of the given boundary kind around `offset`.
  void Span(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const;
};

// Makes the TTextBoxAccessible of every TTextBox; installed with the program's other views by
// InstallAccessibilityFactories (ui/accessibility.h).
QAccessibleInterface* TextBoxAccessibleFactory(const QString& class_name, QObject* object);

}  // namespace ui
