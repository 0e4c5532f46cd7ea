#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

namespace ui {

// A single-line text box whose text the program sets through SetText. OnChange follows every
// change of the text, the user's and the program's alike, and nothing else. This is a shared
// implementation, not a control kind: the single-line kinds that are not related to one another
// each derive from it separately.
class LineTextBox : public QLineEdit {
 public:
  explicit LineTextBox(QWidget* parent = nullptr);

  // The text as shown. With an input mask that includes the blanks of the unfilled positions, so
  // the text reads as the user sees it and sets back to the same display.
  QString Text() const;
  // Writing the text the box already shows is no change.
  void SetText(const QString& text);

  std::function<void()> OnChange;
};

// A single-line text box.
class TEdit : public LineTextBox {
 public:
  using LineTextBox::LineTextBox;
};

// A skinned single-line text box; a TEdit.
class TsEdit : public TEdit {
 public:
  using TEdit::TEdit;
};

// A date box with an input mask "dd.mm.yyyy"; blanks show as "_". Not a TEdit.
class TsDateEdit : public LineTextBox {
 public:
  explicit TsDateEdit(QWidget* parent = nullptr);
};

// A currency box: a right-aligned amount with two decimals, the user's typing limited to digits,
// one sign, blanks and one decimal separator. The text set by the program is kept as given. Not
// a TEdit.
class TsCurrencyEdit : public LineTextBox {
 public:
  explicit TsCurrencyEdit(QWidget* parent = nullptr);
};

// A single-line text box with a caption label above it. Not a TEdit: the kind is the pair.
class TLabeledEdit : public QWidget {
 public:
  explicit TLabeledEdit(QWidget* parent = nullptr);

  QString Text() const { return editor_->text(); }
  // Writing the text the box already shows is no change.
  void SetText(const QString& text);

  // Every change of the edited text.
  std::function<void()> OnChange;

 private:
  QLabel* label_;
  QLineEdit* editor_;
};

}  // namespace ui
