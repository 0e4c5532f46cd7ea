#include "base/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

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
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the error close() gives: a delayed write error can show up here.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

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

// Writes the temporary file completely and durably; 0 or the error number.
int WriteTemporary(const std::string& temporary, const std::string& target,
                   std::string_view bytes) {
  // O_NOFOLLOW: a stale temporary that is a link must not lead the write somewhere else.
  FileDescriptor fd(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (fd.get() < 0)
    return errno;
  struct stat old_file {};
  if (::stat(target.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode))
    ::fchmod(fd.get(), old_file.st_mode & 07777);
  if (const int error = WriteAll(fd.get(), bytes))
    return error;
  if (::fsync(fd.get()) != 0)
    return errno;
  return fd.Close();
}

}  // namespace

FileError::FileError(const std::string& path, const std::string& reason)
    : std::runtime_error(path + ": " + reason), path_(path), reason_(reason) {}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  // Non-blocking, so that a named pipe standing in for the file cannot stall the open; only a
  // regular file is read, never a pipe or a device that may never end.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
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

std::string TemporaryPathFor(const std::string& path) {
  return path + ".tmp";
}

void ReplaceFile(const std::string& path, std::string_view bytes) {
  const std::string temporary = TemporaryPathFor(path);
  int error = WriteTemporary(temporary, path, bytes);
  if (error == 0 && BeforeRenameHook())
    BeforeRenameHook()(temporary);
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
    error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());  // a folder standing there stays; unlink refuses folders
    throw FileError(path, SystemReason(error));
  }
  // The folder is not synced after the rename: the new data is on disk before the rename, so a
  // crash leaves the old file or the new one either way; a folder sync would only make the new
  // one durable sooner, at about half again the cost of every write.
}

void SetBeforeRenameHookForTesting(std::function<void(const std::string& temporary_path)> hook) {
  BeforeRenameHook() = std::move(hook);
}

void CreateFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error)
    throw FileError(path, SystemReason(error.value()));
  if (!FolderExists(path))
    throw FileError(path, SystemReason(ENOTDIR));
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace base
