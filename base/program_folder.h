#pragma once

#include <string>

namespace base {

// The folder of the running executable, with a trailing '/'. The working directory never
// matters. Tests point it at a folder of their own with SetProgramFolderForTesting.
std::string ProgramFolder();

// For tests and benchmarks: overrides the program folder for the rest of the process; an empty
// path restores the default.
void SetProgramFolderForTesting(const std::string& folder);

}  // namespace base
