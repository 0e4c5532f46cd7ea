#pragma once

#include <QString>

// The form-state store: the values of the controls of every form of the application, saved to
// the settings file and side files and restored from them, by control kind and name.

// Writes the state of every visible control of every form (but a form named "AboutForm") into
// `file_name` and the side files beside the program. Errors are passed on to the caller; what was
// written before the error stays.
void SaveFormsState(const QString& file_name);

// Sets the controls of every form from `file_name` and the side files. A missing file only beeps.
// Values are set through the controls' own setters, so change notifications run as for a user's
// edit; a missing or unreadable value leaves the control as it is.
void LoadFormsState(const QString& file_name);
