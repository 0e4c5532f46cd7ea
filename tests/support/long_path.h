#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <string>

// Files and folders under paths longer than the system takes whole: each helper walks the path
// one name at a time, every step relative to the folder before, as no test can do with whole
// paths. The tests' own means, independent of the program's file functions they check.

namespace long_path {

// A descriptor of the folder `folder` (an absolute path), or -1; with `create`, missing folders
// on the way are made.
inline int OpenFolder(const QString& folder, bool create = false) {
  int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (const QString& name : folder.split(u'/', Qt::SkipEmptyParts)) {
    const QByteArray local = QFile::encodeName(name);
    if (create)
      ::mkdirat(fd, local.constData(), 0777);
    const int next = ::openat(fd, local.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    if (next < 0)
      return -1;
    fd = next;
  }
  return fd;
}

// The folder part and the name of `path`.
inline QStringList FolderAndName(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  return {path.first(slash), path.sliced(slash + 1)};
}

// A folder under `base` whose path is exactly `length` characters long, made of names of up to
// 200 characters; it is created.
inline QString MakeFolderOfLength(const QString& base, int length) {
  QString path = base;
  int step = 0;
  while (path.size() < length) {
    const int room = length - static_cast<int>(path.size()) - 1;  // after the '/'
    // Keep at least two characters for a last name, so no name is empty.
    int name_length = std::min(200, room);
    if (room > 200 && room - 200 < 2)
      name_length = room - 2;
    path += u'/' + QString(name_length, QChar(u'a' + step++ % 26));
  }
  const int fd = OpenFolder(path, true);
  if (fd >= 0)
    ::close(fd);
  return path;
}

// Writes the file whole, making its folder; false when that fails.
inline bool Write(const QString& path, const QByteArray& bytes) {
  const QStringList parts = FolderAndName(path);
  const int folder = OpenFolder(parts[0], true);
  if (folder < 0)
    return false;
  const int fd = ::openat(folder, QFile::encodeName(parts[1]).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  ::close(folder);
  if (fd < 0)
    return false;
  const bool written = ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
  return ::close(fd) == 0 && written;
}

// The whole file; "<missing>" when it cannot be read.
inline QByteArray Read(const QString& path) {
  const QStringList parts = FolderAndName(path);
  const int folder = OpenFolder(parts[0]);
  if (folder < 0)
    return "<missing>";
  const int fd = ::openat(folder, QFile::encodeName(parts[1]).constData(), O_RDONLY | O_CLOEXEC);
  ::close(folder);
  if (fd < 0)
    return "<missing>";
  QByteArray bytes;
  char buffer[65536];
  ssize_t got = 0;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
    bytes.append(buffer, got);
  ::close(fd);
  return bytes;
}

// Removes everything inside the folder `fd` (which it closes).
inline void EmptyFolder(int fd) {
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    const int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) {
      EmptyFolder(sub);
      ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    } else {
      ::unlinkat(fd, name.c_str(), 0);
    }
  }
  ::closedir(dir);
}

// Removes everything below `folder`, however deep, so that a temporary folder's own clean-up,
// which goes by whole paths, finds little left.
inline void RemoveContents(const QString& folder) {
  const int fd = OpenFolder(folder);
  if (fd < 0)
    return;
  const int readable = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ::close(fd);
  if (readable >= 0)
    EmptyFolder(readable);
}

// Empties the folder when the test ends, passed or failed.
struct RemovedAtEnd {
  QString folder;
  ~RemovedAtEnd() { RemoveContents(folder); }
};

}  // namespace long_path
