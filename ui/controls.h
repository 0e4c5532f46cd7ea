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
  // Items equal to the current ones change nothing; other items replace them in one bracket.
  void SetItems(const QStringList& items);
  // Adds an item at the end and returns its index.
  int AddItem(const QString& text);
  void ClearItems();

  // Brackets a rebuild of the items: the box stops repainting until the outermost EndUpdate, and
  // OnChange is raised there once if the items changed inside, instead of once per edit. An
  // EndUpdate without its BeginUpdate is ignored.
  void BeginUpdate();
  void EndUpdate();
  // How many brackets are open.
  int UpdateDepth() const { return update_depth_; }

  // Every change of the items; inside a bracket, one at its end.
  std::function<void()> OnChange;

 private:
  void ItemsChanged();

  int update_depth_ = 0;
  bool changed_in_bracket_ = false;
  bool updates_were_enabled_ = true;
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
