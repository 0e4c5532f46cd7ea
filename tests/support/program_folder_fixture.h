#pragma once

#include <QString>
#include <QTemporaryDir>

#include "base/program_folder.h"
#include "recording_services.h"

// A program folder of its own for the length of a test, with beeps and messages recorded: the
// store and the main window keep their files there, never beside the test program.
struct ProgramFolderFixture {
  QTemporaryDir folder;
  ui::RecordingServices recorder;

  ProgramFolderFixture() { base::SetProgramFolderForTesting(folder.path().toStdString()); }
  ~ProgramFolderFixture() { base::SetProgramFolderForTesting({}); }
  ProgramFolderFixture(const ProgramFolderFixture&) = delete;
  ProgramFolderFixture& operator=(const ProgramFolderFixture&) = delete;

  QString Settings() const { return folder.filePath("settings.dat"); }
};
