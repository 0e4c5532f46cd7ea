#pragma once

#include <QTest>

#include "ui/application.h"

// How a test program gets its main(), one rule for every test:
// - QTEST_MAIN when Qt's own application object will do: a QApplication when the test links Qt
//   Widgets, a QCoreApplication otherwise (QTEST_GUILESS_MAIN asks for that one outright).
//   Whatever must happen before the application exists, such as an environment variable that Qt
//   reads once, goes into the test class's `static void initMain()`, which Qt Test calls first.
// - TARVELON_TEST_MAIN_WITH_OUR_APP when the application object must be ours, ui::TApplication,
//   as in the program: every event is delivered inside the error guard, so an exception that
//   leaves a handler reaches the error report as it does in use. The main window's, the store's
//   and the user notices' tests run that way.
// - A main() of its own only for a need neither covers, with a comment saying which.
#define TARVELON_TEST_MAIN_WITH_OUR_APP(TestClass) \
  int main(int argc, char** argv) {                \
    ui::TApplication app(argc, argv);              \
    TestClass test;                                \
    return QTest::qExec(&test, argc, argv);        \
  }
