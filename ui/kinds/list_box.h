#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

#include <functional>

namespace ui {

// A list box.
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

// A skinned list box; a TListBox.
class TsListBox : public TListBox {
 public:
  using TListBox::TListBox;
};

// A list box with a check mark per item. Not a TListBox. OnChange follows every change of the
// items or of a mark, the user's clicks on a mark included.
class TCheckListBox : public QListWidget {
 public:
  explicit TCheckListBox(QWidget* parent = nullptr);

  QStringList Items() const;
  // Adds an item, not checked, at the end and returns its index.
  int AddItem(const QString& text);
  void ClearItems();

  // The mark of item `index`; an index out of range throws std::out_of_range.
  bool Checked(int index) const;
  // Setting the mark the item already has changes nothing; an index out of range throws
  // std::out_of_range.
  void SetChecked(int index, bool checked);

  std::function<void()> OnChange;

 private:
  QListWidgetItem* ItemAt(int index) const;
  void Changed();

  bool quiet_ = false;
};

}  // namespace ui
