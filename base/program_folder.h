#pragma once

#include <string>

namespace base {

// The folder of the running executable, with a trailing '/'. The working directory does not
// matter, unless the kernel cannot say where the executable is (no /proc): then it is the
// working directory, and a line on the standard error stream says so. Tests point it at a folder
// of their own with SetProgramFolderForTesting.
std::string ProgramFolder();

// For tests and benchmarks: overrides the program folder for the rest of the process; an empty
// path restores the default.
void SetProgramFolderForTesting(const std::string& folder);

}  // namespace base
