#include "base/program_folder.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace base {
namespace {

std::string& OverriddenFolder() {
  static std::string folder;
  return folder;
}

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/')
    path.push_back('/');
  return path;
}

// The working directory, said once on the standard error stream. Used only when the kernel does
// not tell where the executable is, as when /proc is not mounted (a bare chroot or container).
// The program still needs a folder for its files then, and the folder it was started from is the
// best remaining guess; a user who finds settings.dat in an unexpected place learns why from the
// message.
std::string WorkingDirectoryInstead(const std::error_code& reason) {
  const std::string folder = WithTrailingSlash(std::filesystem::current_path().string());
  static const bool said = [&] {
    std::fprintf(stderr, "The program's own folder is unknown (/proc/self/exe: %s); using %s\n",
                 reason.message().c_str(), folder.c_str());
    return true;
  }();
  static_cast<void>(said);
  return folder;
}

}  // namespace

std::string ProgramFolder() {
  if (!OverriddenFolder().empty())
    return OverriddenFolder();
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    return WorkingDirectoryInstead(error);
  return WithTrailingSlash(exe.parent_path().string());
}

void SetProgramFolderForTesting(const std::string& folder) {
  OverriddenFolder() = folder.empty() ? std::string() : WithTrailingSlash(folder);
}

}  // namespace base
