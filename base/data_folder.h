#pragma once

#include <string>

namespace base {

// The program reads and writes its files (settings.dat, System/, the lock) in one folder, the
// data folder. When the user can create files in the program folder, that is the data folder:
// a program unpacked into a folder of one's own keeps everything beside itself and can be moved
// or copied whole. Installed where the user cannot write (a package, /usr/local, /opt), it is
// the user's own folder below $XDG_DATA_HOME instead, and the program folder only supplies the
// defaults a first start restores.

// The data folder with a trailing '/'. Chosen at the first call for the current program folder
// (see ProgramFolder) and kept; choosing the per-user folder creates it when missing.
std::string DataFolder();

// Whether this process may create files in `folder` (write and search permission, which the
// kernel also denies on a read-only mount). A missing folder allows nothing.
bool CanCreateFilesIn(const std::string& folder);

// The per-user folder, with a trailing '/': "tarvelon/" in $XDG_DATA_HOME when that holds an
// absolute path (a relative one is to be ignored), otherwise in ~/.local/share, the home folder
// being $HOME or, without it, the user's entry in the password database.
std::string PerUserFolder();

}  // namespace base
