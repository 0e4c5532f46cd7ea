#pragma once

#include <QString>

#include <exception>

namespace ui {

// What the program makes the user see or hear outside its own window: the beep, the message box
// and the top-level error report. The real implementation shows modal boxes; tests install a
// recorder that notes every call and never blocks.
class TUserNotice {
 public:
  virtual ~TUserNotice() = default;
  virtual void Beep() = 0;
  // A modal message box with one OK button.
  virtual void ShowMessage(const QString& text) = 0;
  // The top-level error report: error icon, OK, the application's title.
  virtual void ShowError(const QString& text) = 0;
};

// The notices in use: the real ones unless a test has installed others.
TUserNotice& CurrentUserNotice();
// For tests and benchmarks: installs `notice` (not owned) for the rest of the process; nullptr
// restores the real ones. The program itself always uses the real ones.
void InstallUserNoticeForTesting(TUserNotice* notice);

void Beep();
void ShowMessage(const QString& text);

// Shows the top-level error report for an error that left an event handler.
void ReportError(const std::exception& error);

}  // namespace ui
