#pragma once

#include <QApplication>

namespace ui {

// The application object. Every event is delivered inside the error guard, so an exception that
// leaves any event handler is shown by the top-level error report and the event loop goes on.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace ui
