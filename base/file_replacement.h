#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace base {

// Whole files: read in one go, and replaced so that either the old or the new file is on disk,
// never a half-written one.
//
// Written here rather than with QSaveFile: the temporary file has one fixed name beside the
// target, so a save killed before its rename leaves one stale file that the next save replaces
// (QSaveFile's random names would pile up), nothing is ever written or read through a link, the
// target's permission bits carry over, and tests can stop the process at the one moment between
// the flush and the rename.
//
// Every file is reached through a descriptor of its folder (openat, renameat and the like), the
// folder itself opened one name at a time when its path is too long for the system to take
// whole: a program folder deep enough that its files' paths pass the system's limit on a path
// works as any other. Links to folders on the way are followed; a link at the file's own name
// is never followed, neither for reading nor for writing.

// A file operation that failed; `reason` is the system's description of the cause.
class FileError : public std::runtime_error {
 public:
  FileError(const std::string& path, const std::string& reason);
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// The whole content of a file; nothing when no file of that name exists (missing file or
// folder). Throws FileError when the file exists but cannot be read, among others when it is a
// symbolic link: a link leads out of the program's own files, and is not read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file at `path` by `bytes`: writes the temporary file, flushes it to the disk and
// renames it over `path`, so a crash leaves the old file or the new one. Whatever stands at the
// temporary file's name is removed and the temporary file created anew, so no link there, hard
// or symbolic, carries the write to a file elsewhere. An existing file's permission bits are
// kept. Throws FileError with the system's reason; on failure the old file is unchanged and the
// temporary file removed.
void ReplaceFile(const std::string& path, std::string_view bytes);

// Keeps the plain file at `path`, as it is now, under `kept_path` as well, unless something
// already stands there: what was kept once is never replaced. Nothing happens when `path` is
// missing or no plain file. The kept file is complete on the disk before it has its name.
// Throws FileError naming `kept_path`.
void KeepOnce(const std::string& path, const std::string& kept_path);

// Test hook: called by ReplaceFile once the temporary file is completely written and flushed,
// just before it is renamed over the target, with the temporary file's path. Lets a test stop
// the process at the one moment a crash would hit. An empty function removes the hook. Not for
// use outside tests.
void SetBeforeRenameHookForTesting(std::function<void(const std::string& temporary_path)> hook);

// Creates the folder `path` together with its missing parents; an existing folder, or a link to
// one, is fine.
// Throws FileError when something else stands in the way.
void CreateFolders(const std::string& path);

// Whether `path` names an existing file: anything but a folder, a symbolic link too, wherever
// it leads (it is there, though ReadWholeFile will not read it).
bool FileExists(const std::string& path);
// Whether `path` names an existing folder, or a link to one.
bool FolderExists(const std::string& path);

}  // namespace base
