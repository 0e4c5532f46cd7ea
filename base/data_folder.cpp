#include "base/data_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "base/base_internal.h"
#include "base/program_folder.h"

namespace base {
namespace {

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/')
    path.push_back('/');
  return path;
}

std::string HomeFolder(const char* home) {
  if (home && *home)
    return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
    return entry->pw_dir;
  return "/";
}

// Creates `folder` and its missing parents, each readable by the user only, as the per-user
// data folders are meant to be. Failure is left to the first save, which reports the reason.
void CreateUserFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    ::mkdir(folder.substr(0, slash).c_str(), 0700);
  }
  ::mkdir(folder.c_str(), 0700);
}

}  // namespace

std::string DataFolder() {
  static std::string chosen_for;
  static std::string chosen;
  const std::string program = ProgramFolder();
  if (chosen.empty() || chosen_for != program) {
    chosen_for = program;
    chosen = ChooseDataFolder(program, PerUserFolder());
    if (chosen != program)
      CreateUserFolders(chosen);
  }
  return chosen;
}

std::string ChooseDataFolder(const std::string& program_folder,
                             const std::string& per_user_folder) {
#ifdef TARVELON_FILES_ALWAYS_PER_USER
  // A package's program lies in a folder of the system's: root may write there, but nobody's
  // numbers belong beside /usr/bin/tarvelon.
  static_cast<void>(program_folder);
  return per_user_folder;
#else
  return CanCreateFilesIn(program_folder) ? program_folder : per_user_folder;
#endif
}

bool CanCreateFilesIn(const std::string& folder) {
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string PerUserFolder() {
  return PerUserFolderFor(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::string PerUserFolderFor(const char* xdg_data_home, const char* home) {
  std::string data_home;
  if (xdg_data_home && xdg_data_home[0] == '/')
    data_home = xdg_data_home;
  else
    data_home = WithTrailingSlash(HomeFolder(home)) + ".local/share";
  return WithTrailingSlash(data_home) + "tarvelon/";
}

}  // namespace base
