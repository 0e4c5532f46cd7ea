#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include <vector>

namespace ui {

// One component of a form: its name and, for components that are Qt objects, the object. The
// kind of a component is tested with dynamic_cast on the object.
struct TComponent {
  QString Name;
  QObject* Object = nullptr;
};

// A top-level window that lists the components created for it, at any depth, in creation order,
// so that a generic store can visit them by kind and name.
class TForm : public QWidget {
 public:
  explicit TForm(QWidget* parent = nullptr);
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  QString Name() const { return objectName(); }

  // Appends a component; a Qt object gets `name` as its objectName.
  void AddComponent(const QString& name, QObject* object);
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  const TComponent& Component(int index) const { return components_.at(index); }

 private:
  std::vector<TComponent> components_;
};

// The first client size of a window laid out for `design`: the design size, shrunk where the
// available screen area, less `frame` for the window manager's title bar and borders, is smaller,
// and never below `minimum`. All sizes in device-independent pixels, so any scale factor holds.
QSize FirstClientSize(QSize design, QSize available, QSize frame, QSize minimum);

// The application's forms in creation order; a form joins when created and leaves when destroyed.
const std::vector<TForm*>& ApplicationForms();

// The control's own visibility flag: true unless the control itself was hidden, whatever its
// containers are.
bool IsVisibleFlag(const QWidget* widget);

}  // namespace ui
