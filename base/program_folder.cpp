#include "base/program_folder.h"

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

}  // namespace

std::string ProgramFolder() {
  if (!OverriddenFolder().empty())
    return OverriddenFolder();
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    return WithTrailingSlash(std::filesystem::current_path().string());
  return WithTrailingSlash(exe.parent_path().string());
}

void SetProgramFolderForTesting(const std::string& folder) {
  OverriddenFolder() = folder.empty() ? std::string() : WithTrailingSlash(folder);
}

}  // namespace base
