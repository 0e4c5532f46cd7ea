#include "base/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/base_internal.h"

namespace base {
namespace {

std::function<void(const std::string&)>& BeforeRenameHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

std::string SystemReason(int error) {
  return std::strerror(error);
}

// Closes the descriptor on every path out of a scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Gives the descriptor up without closing it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd) {
    if (fd_ >= 0)
      ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports the error close() gives: a delayed write error can show up here.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// Opens the folder `folder` one name at a time, each relative to the one before, so that no
// path handed to the system is longer than one name: a folder whose path passes the system's
// limit on a whole path still opens. Links to folders are followed, as in any path.
int OpenFolderByNames(const std::string& folder) {
  FileDescriptor current(::open(folder.front() == '/' ? "/" : ".", kFolderFlags));
  std::size_t start = 0;
  while (current.get() >= 0 && start < folder.size()) {
    std::size_t end = folder.find('/', start);
    if (end == std::string::npos)
      end = folder.size();
    if (end > start) {
      const int next =
          ::openat(current.get(), folder.substr(start, end - start).c_str(), kFolderFlags);
      if (next < 0) {
        const int error = errno;
        current.Reset(-1);
        errno = error;
        return -1;
      }
      current.Reset(next);
    }
    start = end + 1;
  }
  return current.Release();
}

// A file by its folder, opened, and its own name in it. Every operation on the file goes through
// the folder's descriptor: the file's whole path may pass the system's limit on a path, and the
// folder cannot change under the operation between its steps.
class Located {
 public:
  explicit Located(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string folder;
    if (slash == std::string::npos) {
      folder = ".";
      name_ = path;
    } else {
      folder = slash == 0 ? std::string("/") : path.substr(0, slash);
      name_ = path.substr(slash + 1);
    }
    if (name_.empty())
      name_ = ".";
    folder_.Reset(::open(folder.c_str(), kFolderFlags));
    if (folder_.get() < 0 && errno == ENAMETOOLONG)
      folder_.Reset(OpenFolderByNames(folder));
    error_ = folder_.get() < 0 ? errno : 0;
  }

  // 0, or why the folder could not be opened.
  int error() const { return error_; }
  int folder() const { return folder_.get(); }
  const char* name() const { return name_.c_str(); }
  std::string NameWith(const char* suffix) const { return name_ + suffix; }

 private:
  FileDescriptor folder_;
  std::string name_;
  int error_ = 0;
};

// A missing file or folder: the file is not there, which is no error for a reader.
bool IsMissing(int error) {
  return error == ENOENT || error == ENOTDIR;
}

// Writes all of `bytes`, retrying short writes and interruptions; 0 or the error number.
int WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    done += static_cast<std::size_t>(written);
  }
  return 0;
}

// Writes the new file `temporary` in `folder` completely and durably, with the permission bits
// of `target` when that is a plain file; 0 or the error number. Whatever stands at the temporary
// name is removed first and the file created anew, never opened: a stale temporary that is a
// link, symbolic or hard, to a file anywhere else would otherwise have that file overwritten.
// `created` tells whether the temporary file exists now, made by this call.
int WriteTemporary(int folder, const std::string& temporary, const char* target,
                   std::string_view bytes, bool& created) {
  created = false;
  if (::unlinkat(folder, temporary.c_str(), 0) != 0 && errno != ENOENT)
    return errno;  // a folder at that name stays, and the save fails
  FileDescriptor fd(::openat(folder, temporary.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (fd.get() < 0)
    return errno;
  created = true;
  struct stat old_file {};
  if (::fstatat(folder, target, &old_file, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old_file.st_mode)) {
    ::fchmod(fd.get(), old_file.st_mode & 07777);
  }
  if (const int error = WriteAll(fd.get(), bytes))
    return error;
  if (::fsync(fd.get()) != 0)
    return errno;
  return fd.Close();
}

// The whole content of the plain file `name` in `folder`, never through a link; throws
// FileError naming `path`. Nothing when the file is missing.
std::optional<std::string> ReadIn(int folder, const char* name, const std::string& path) {
  // Non-blocking, so that a named pipe standing in for the file cannot stall the open; only a
  // regular file is read, never a pipe or a device that may never end. O_NOFOLLOW: a link at the
  // file's name, to a file anywhere, is not the program's own file and is not read.
  FileDescriptor fd(::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
  if (fd.get() < 0) {
    if (IsMissing(errno))
      return std::nullopt;
    throw FileError(path, SystemReason(errno));
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0)
    throw FileError(path, SystemReason(errno));
  if (S_ISDIR(info.st_mode))
    throw FileError(path, SystemReason(EISDIR));
  if (!S_ISREG(info.st_mode))
    throw FileError(path, SystemReason(EINVAL));
  std::string bytes;
  if (info.st_size > 0)
    bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      throw FileError(path, SystemReason(errno));
    }
    if (got == 0)
      break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

}  // namespace

FileError::FileError(const std::string& path, const std::string& reason)
    : std::runtime_error(path + ": " + reason), path_(path), reason_(reason) {}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const Located file(path);
  if (file.error()) {
    if (IsMissing(file.error()))
      return std::nullopt;
    throw FileError(path, SystemReason(file.error()));
  }
  return ReadIn(file.folder(), file.name(), path);
}

std::string TemporaryPathFor(const std::string& path) {
  return path + ".tmp";
}

void ReplaceFile(const std::string& path, std::string_view bytes) {
  const Located file(path);
  if (file.error())
    throw FileError(path, SystemReason(file.error()));
  const std::string temporary = file.NameWith(".tmp");
  bool created = false;
  int error = WriteTemporary(file.folder(), temporary, file.name(), bytes, created);
  if (error == 0 && BeforeRenameHook())
    BeforeRenameHook()(TemporaryPathFor(path));
  if (error == 0 && ::renameat(file.folder(), temporary.c_str(), file.folder(), file.name()) != 0)
    error = errno;
  if (error != 0) {
    if (created)
      ::unlinkat(file.folder(), temporary.c_str(), 0);
    throw FileError(path, SystemReason(error));
  }
  // The folder is not synced after the rename: the new data is on disk before the rename, so a
  // crash leaves the old file or the new one either way; a folder sync would only make the new
  // one durable sooner, at about half again the cost of every write.
}

void KeepOnce(const std::string& path, const std::string& kept_path) {
  const Located file(path);
  const Located kept(kept_path);
  if (IsMissing(file.error()))
    return;
  if (file.error() || kept.error())
    throw FileError(kept_path, SystemReason(file.error() ? file.error() : kept.error()));
  struct stat info {};
  if (::fstatat(kept.folder(), kept.name(), &info, AT_SYMLINK_NOFOLLOW) == 0)
    return;  // kept before: never replaced
  if (::fstatat(file.folder(), file.name(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(info.st_mode)) {
    return;  // nothing of the program's own to keep; a link is never followed
  }
  // A second name for the file as it stands: the replacement that follows gives `path` a new
  // file and leaves this one untouched. No copy, and no moment with half a copy on the disk.
  if (::linkat(file.folder(), file.name(), kept.folder(), kept.name(), 0) == 0 || errno == EEXIST)
    return;
  // A file system without hard links: a copy, complete on the disk before it takes the name,
  // and never over a file that took the name meanwhile.
  const std::optional<std::string> bytes = ReadIn(file.folder(), file.name(), path);
  if (!bytes)
    return;
  const std::string temporary = kept.NameWith(".tmp");
  bool created = false;
  int error = WriteTemporary(kept.folder(), temporary, kept.name(), *bytes, created);
  if (error == 0 && ::renameat2(kept.folder(), temporary.c_str(), kept.folder(), kept.name(),
                                RENAME_NOREPLACE) != 0) {
    error = errno == EEXIST ? 0 : errno;
  }
  if (created)
    ::unlinkat(kept.folder(), temporary.c_str(), 0);
  if (error != 0)
    throw FileError(kept_path, SystemReason(error));
}

void SetBeforeRenameHookForTesting(std::function<void(const std::string& temporary_path)> hook) {
  BeforeRenameHook() = std::move(hook);
}

void CreateFolders(const std::string& path) {
  // One name at a time, each relative to the folder before: a path past the system's limit on a
  // whole path is created as any other. Links to folders are followed, as in any path.
  FileDescriptor current(::open(!path.empty() && path.front() == '/' ? "/" : ".", kFolderFlags));
  std::size_t start = 0;
  while (current.get() >= 0 && start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos)
      end = path.size();
    if (end > start) {
      const std::string name = path.substr(start, end - start);
      int next = ::openat(current.get(), name.c_str(), kFolderFlags);
      if (next < 0 && errno == ENOENT) {
        if (::mkdirat(current.get(), name.c_str(), 0777) != 0 && errno != EEXIST)
          throw FileError(path, SystemReason(errno));
        next = ::openat(current.get(), name.c_str(), kFolderFlags);
      }
      if (next < 0)
        throw FileError(path, SystemReason(errno));
      current.Reset(next);
    }
    start = end + 1;
  }
  if (current.get() < 0)
    throw FileError(path, SystemReason(errno));
}

bool FileExists(const std::string& path) {
  const Located file(path);
  struct stat info {};
  return file.error() == 0 &&
         ::fstatat(file.folder(), file.name(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& path) {
  const Located file(path);
  struct stat info {};
  return file.error() == 0 && ::fstatat(file.folder(), file.name(), &info, 0) == 0 &&
         S_ISDIR(info.st_mode);
}

}  // namespace base
