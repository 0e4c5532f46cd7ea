#include "base/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace base {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

std::function<void(const std::string&)>& BeforeRenameHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

std::string SystemReason(int error) {
  return std::strerror(error);
}

// Appends the code point as one or two UTF-16 units.
void AppendCodePoint(std::u16string& out, std::uint32_t code_point) {
  if (code_point < 0x10000) {
    out.push_back(static_cast<char16_t>(code_point));
    return;
  }
  code_point -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
}

// Decodes UTF-8; each maximal subpart of an ill-formed sequence becomes one U+FFFD, the way
// browsers and Qt do it, so the same bytes always give the same text.
std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    int needed = 0;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    std::uint32_t code_point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      needed = 1;
      code_point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      needed = 2;
      code_point = lead & 0x0F;
      if (lead == 0xE0)
        lower = 0xA0;  // overlong
      if (lead == 0xED)
        upper = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      needed = 3;
      code_point = lead & 0x07;
      if (lead == 0xF0)
        lower = 0x90;  // overlong
      if (lead == 0xF4)
        upper = 0x8F;  // above U+10FFFF
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool complete = true;
    for (int k = 0; k < needed; ++k, ++j) {
      const auto next = j < n ? static_cast<unsigned char>(bytes[j]) : 0;
      if (j >= n || next < lower || next > upper) {
        complete = false;
        break;
      }
      code_point = (code_point << 6) | (next & 0x3F);
      lower = 0x80;
      upper = 0xBF;
    }
    if (complete)
      AppendCodePoint(out, code_point);
    else
      out.push_back(kReplacement);
    i = j;
  }
  return out;
}

std::u16string DecodeUtf16(std::string_view bytes, bool little_endian) {
  std::u16string out;
  out.reserve(bytes.size() / 2 + 1);
  const std::size_t pairs = bytes.size() / 2;
  for (std::size_t k = 0; k < pairs; ++k) {
    const auto first = static_cast<unsigned char>(bytes[2 * k]);
    const auto second = static_cast<unsigned char>(bytes[2 * k + 1]);
    out.push_back(little_endian ? static_cast<char16_t>(first | (second << 8))
                                : static_cast<char16_t>((first << 8) | second));
  }
  if (bytes.size() % 2 != 0)
    out.push_back(kReplacement);
  return out;
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t code_point = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      code_point = kReplacement;
    }
    if (code_point < 0x80) {
      out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
  }
  return out;
}

std::string EncodeUtf16(std::u16string_view text, bool little_endian) {
  std::string out;
  out.resize(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto low = static_cast<char>(text[i] & 0xFF);
    const auto high = static_cast<char>(text[i] >> 8);
    out[2 * i] = little_endian ? low : high;
    out[2 * i + 1] = little_endian ? high : low;
  }
  return out;
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

EncodingMark DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
    return {TextEncoding::kUtf8, 3};
  if (bytes.substr(0, 2) == "\xFF\xFE")
    return {TextEncoding::kUtf16Le, 2};
  if (bytes.substr(0, 2) == "\xFE\xFF")
    return {TextEncoding::kUtf16Be, 2};
  return {TextEncoding::kUtf8, 0};
}

std::string_view ByteOrderMark(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      return "\xFF\xFE";
    case TextEncoding::kUtf16Be:
      return "\xFE\xFF";
    case TextEncoding::kUtf8:
      break;
  }
  return "\xEF\xBB\xBF";
}

std::u16string DecodeText(std::string_view bytes, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      return DecodeUtf16(bytes, true);
    case TextEncoding::kUtf16Be:
      return DecodeUtf16(bytes, false);
    case TextEncoding::kUtf8:
      break;
  }
  return DecodeUtf8(bytes);
}

std::string EncodeText(std::u16string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      return EncodeUtf16(text, true);
    case TextEncoding::kUtf16Be:
      return EncodeUtf16(text, false);
    case TextEncoding::kUtf8:
      break;
  }
  return EncodeUtf8(text);
}

DecodedText DecodeWithMark(std::string_view bytes) {
  const EncodingMark mark = DetectEncoding(bytes);
  return {DecodeText(bytes.substr(mark.mark_size), mark.encoding), mark.encoding,
          mark.mark_size > 0};
}

std::string EncodeWithMark(std::u16string_view text, TextEncoding encoding, bool with_mark) {
  std::string body = EncodeText(text, encoding);
  if (!with_mark)
    return body;
  std::string out(ByteOrderMark(encoding));
  out += body;
  return out;
}

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
