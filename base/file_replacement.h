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
// target, so a save killed before its rename leaves one stale file that the next save reuses
// (QSaveFile's random names would pile up), it is never followed through a link, the target's
// permission bits carry over, and tests can stop the process at the one moment between the flush
// and the rename.

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
// folder). Throws FileError when the file exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// The temporary file a replacement of `path` writes first: the same folder, ".tmp" appended.
std::string TemporaryPathFor(const std::string& path);

// Replaces the file at `path` by `bytes`: writes the temporary file, flushes it to the disk and
// renames it over `path`, so a crash leaves the old file or the new one. An existing file's
// permission bits are kept. Throws FileError with the system's reason; on failure the old file
// is unchanged and the temporary file removed.
void ReplaceFile(const std::string& path, std::string_view bytes);

// Test hook: called by ReplaceFile once the temporary file is completely written and flushed,
// just before it is renamed over the target, with the temporary file's path. Lets a test stop
// the process at the one moment a crash would hit. An empty function removes the hook. Not for
// use outside tests.
void SetBeforeRenameHookForTesting(std::function<void(const std::string& temporary_path)> hook);

// Creates the folder `path` together with its missing parents; an existing folder is fine.
// Throws FileError when something else stands in the way.
void CreateFolders(const std::string& path);

// Whether `path` names an existing file (anything but a folder) or an existing folder.
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

}  // namespace base
