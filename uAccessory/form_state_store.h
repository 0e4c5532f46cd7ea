#pragma once

#include <QString>

// The form-state store: the values of the controls of every form of the application, saved to
// the settings file and side files and restored from them, by control kind and name.

// Writes the state of every visible control of every form (but a form named "AboutForm") into
// `file_name` and the side files beside it, in one replacement of `file_name`: a save
// that fails leaves it as it was. After a restore that stopped at an error, the controls it did
// not restore (the one that failed and all after it) write nothing: their stored keys and side
// files stay as they are, so what could not be read is never replaced by defaults.
void SaveFormsState(const QString& file_name);

// Whether there is a state to restore: `file_name` exists, or a visible memo or list box of some
// form has a side file under its own name (the save writes them before the settings file).
bool FormsStateStored(const QString& file_name);

// The settings file a restore reads: `file_name` when there is a state beside it (see
// FormsStateStored), otherwise `defaults_file_name`, whose state the first save then writes to
// `file_name`. A program installed where the user cannot write keeps the user's state in a
// folder of its own and reads the defaults shipped beside it until then.
QString SettingsToRestore(const QString& file_name, const QString& defaults_file_name);

// Sets the controls of every form from `file_name` and the side files. A memo or list box whose
// stored ".File" names no side file that exists reads the one under its own name. Without any
// stored state (see FormsStateStored) it only beeps.
// Values are set through the controls' own setters, so change notifications run as for a user's
// edit; a missing or unreadable value leaves the control as it is.
void LoadFormsState(const QString& file_name);
