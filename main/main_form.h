#pragma once

#include <QWidget>

// The main window: the number box, the points-per-page box and the chart of the walk.
class TmainForm : public QWidget {
  Q_OBJECT

 public:
  explicit TmainForm(QWidget* parent = nullptr);

 private:
  void FormCreate();
};

// The one main window, created at start-up.
extern TmainForm* mainForm;
