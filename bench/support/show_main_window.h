#pragma once

#include <QTest>

#include "main/main_form.h"

// Makes `form` the program's main window and shows it, as the program's start does, then waits
// until the platform has put it on the screen; false when it never did. The caller keeps the
// form and sets mainForm back to nullptr before the form goes.
inline bool ShowMainWindow(TmainForm* form) {
  mainForm = form;
  form->show();
  return QTest::qWaitForWindowExposed(form);
}
