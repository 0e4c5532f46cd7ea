#pragma once

#include <QString>

#include <stdexcept>
#include <string>

#include "base/file_replacement.h"

// The store's files by their Qt paths, and the errors it raises for them. Every message names
// the file the user would look for, with the system's reason after it.

// `path` in the file system's own encoding.
std::string LocalPath(const QString& path);

// "Cannot create file "<path>". <reason>": a file or the folder it needs cannot be written.
std::runtime_error CannotCreate(const QString& path, const base::FileError& error);
// "Cannot open file "<path>". <reason>": a file that exists cannot be read.
std::runtime_error CannotOpen(const QString& path, const base::FileError& error);
// "Unable to write to <path>": the settings file cannot be written.
std::runtime_error UnableToWrite(const QString& path);
