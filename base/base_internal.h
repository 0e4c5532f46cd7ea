#pragma once

// The base library's internal header: the pure parts of its functions, declared for the tests
// that check them with values of their own. The program itself includes the library's other
// headers.

#include <string>

namespace base {

// Where the program writes, given its program folder and the per-user folder: the program
// folder when this process can create files in it, otherwise the per-user folder. A build for a
// distribution's package (the program in the system's bin/) always takes the per-user folder.
// DataFolder() calls it with ProgramFolder() and PerUserFolder().
std::string ChooseDataFolder(const std::string& program_folder, const std::string& per_user_folder);

// PerUserFolder() from given values of XDG_DATA_HOME and HOME, either of them null when unset.
std::string PerUserFolderFor(const char* xdg_data_home, const char* home);

// The temporary file a replacement of `path` writes first: the same folder, ".tmp" appended.
std::string TemporaryPathFor(const std::string& path);

}  // namespace base
