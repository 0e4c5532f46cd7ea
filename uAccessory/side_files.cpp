#include "uAccessory/side_files.h"

#include <QFile>
#include <QFileInfo>

#include <stdexcept>
#include <string>

#include "base/file_replacement.h"
#include "base/qt_text.h"
#include "uAccessory/file_errors.h"
#include "uAccessory/uaccessory_internal.h"

QString MemoSideFolder(const QString& folder) {
  return folder + QStringLiteral("System/");
}

QString ListSideFolder(const QString& folder) {
  return MemoSideFolder(folder) + QStringLiteral("Settings/");
}

QString MemoSideFilePath(const QString& folder, const QString& base_name) {
  return MemoSideFolder(folder) + base_name + QStringLiteral(".txt");
}

QString ListSideFilePath(const QString& folder, const QString& base_name) {
  return ListSideFolder(folder) + base_name + QStringLiteral(".txt");
}

void CreateSideFolderFor(const QString& path) {
  try {
    base::CreateFolders(LocalPath(QFileInfo(path).path()));
  } catch (const base::FileError& error) {
    throw CannotCreate(path, error);
  }
}

std::optional<SideFileText> ReadSideFile(const QString& path) {
  std::optional<std::string> bytes;
  try {
    bytes = base::ReadWholeFile(LocalPath(path));
  } catch (const base::FileError& error) {
    throw CannotOpen(path, error);
  }
  if (!bytes)
    return std::nullopt;
  base::DecodedText decoded = base::DecodeWithMark(*bytes);
  return SideFileText{base::FromU16(decoded.text),
                      {decoded.encoding, decoded.has_mark, decoded.undecodable}};
}

QString OriginalPathFor(const QString& path) {
  return path + QStringLiteral(".orig");
}

void WriteSideFile(const QString& path, const QString& text, SideFileEncoding encoding) {
  const std::u16string_view view = base::U16View(text);
  if (encoding.keep_original) {
    const QString original = OriginalPathFor(path);
    try {
      base::KeepOnce(LocalPath(path), LocalPath(original));
    } catch (const base::FileError& error) {
      throw CannotCreate(original, error);
    }
  }
  try {
    base::ReplaceFile(LocalPath(path),
                      base::EncodeWithMark(view, encoding.encoding, encoding.has_mark));
  } catch (const base::FileError& error) {
    throw CannotCreate(path, error);
  }
}

QString WithCrLf(const QString& text) {
  QString out;
  out.reserve(text.size() + text.size() / 16);
  base::ForEachLine(text, [&](QStringView line, bool ends_with_break) {
    out.append(line);
    if (ends_with_break)
      out.append(QStringLiteral("\r\n"));
  });
  return out;
}

QStringList SplitTextIntoLines(const QString& text) {
  QStringList lines;
  base::ForEachLine(text, [&](QStringView line, bool ends_with_break) {
    if (ends_with_break || !line.isEmpty())
      lines.append(line.toString());
  });
  return lines;
}

QString JoinLines(const QStringList& lines) {
  QString out;
  for (const QString& line : lines)
    out += line + QStringLiteral("\r\n");
  return out;
}

namespace {

// A side file where one exists; a folder standing at its place is not one.
std::optional<SideFileText> ReadSideFileIfAFile(const QString& path) {
  if (base::FolderExists(LocalPath(path)))
    return std::nullopt;
  return ReadSideFile(path);
}

}  // namespace

std::optional<SideFileText> ReadMemoSideFile(const QString& path) {
  std::optional<SideFileText> file = ReadSideFileIfAFile(path);
  if (file)
    file->text = WithCrLf(file->text);
  return file;
}

void WriteMemoSideFile(const QString& path, const QString& text, SideFileEncoding encoding) {
  WriteSideFile(path, WithCrLf(text), encoding);
}

std::optional<SideFileLines> ReadListSideFile(const QString& path) {
  std::optional<SideFileText> file = ReadSideFileIfAFile(path);
  if (!file)
    return std::nullopt;
  return SideFileLines{SplitTextIntoLines(file->text), file->encoding};
}

void WriteListSideFile(const QString& path, const QStringList& items, SideFileEncoding encoding) {
  WriteSideFile(path, JoinLines(items), encoding);
}

bool IsPlainBaseName(const QString& value) {
  constexpr qsizetype kLongestFileName = 255;  // bytes, the limit of common file systems
  if ((value + QStringLiteral(".txt")).toUtf8().size() > kLongestFileName)
    return false;
  if (value.contains(u'/') || value.contains(u'\\') || value.contains(QStringLiteral(".."))) {
    return false;
  }
  for (QChar c : value) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      return false;
  }
  return true;
}
