#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "base/text_encoding.h"

// Side files: the whole text of a multi-line text box in "System/<name>.txt" and the items of a
// list box in "System/Settings/<name>.txt", both beside the settings file. They are written whole
// and replaced atomically. Reading detects a byte-order mark (UTF-8, UTF-16LE, UTF-16BE; none
// means UTF-8) and reports what it found, so that the caller can write the file back the same
// way; a file never loaded is written as UTF-8 without a mark.
//
// Errors: "Cannot create file "<path>". <reason>" when a file or folder cannot be written,
// "Cannot open file "<path>". <reason>" when an existing file cannot be read.

// How a side file is encoded; the default is how a new one is written. `keep_original`: the file
// held bytes that are not valid in its encoding (written by another program in another
// encoding, say), which its text cannot give back; the first write over it keeps the old file
// beside it (".orig" appended), before they are gone.
struct SideFileEncoding {
  base::TextEncoding encoding = base::TextEncoding::kUtf8;
  bool has_mark = false;
  bool keep_original = false;
  bool operator==(const SideFileEncoding&) const = default;
};

// The side file of the base name `base_name` in `folder`, the folder of the settings file (with
// a trailing '/'): "System/<name>.txt" and "System/Settings/<name>.txt" there.
QString MemoSideFilePath(const QString& folder, const QString& base_name);
QString ListSideFilePath(const QString& folder, const QString& base_name);

// Creates the folder of the side file `path` with its missing parents; an existing folder is
// fine. A failure is reported as the side file that cannot be created.
void CreateSideFolderFor(const QString& path);

// The decoded text of a whole file and the encoding found; nothing when the file is missing.
struct SideFileText {
  QString text;
  SideFileEncoding encoding;
};
std::optional<SideFileText> ReadSideFile(const QString& path);
// Replaces the file by `text` in `encoding`, its mark first when it has one (or when the text
// begins with U+FEFF, which would otherwise be read back as a mark). With `keep_original`, the
// old file is kept first beside it, ".orig" appended, unless a file is there already: that one is
// never replaced.
void WriteSideFile(const QString& path, const QString& text, SideFileEncoding encoding = {});

// The lines of `text`, split at CR LF, CR or LF; a break at the very end makes no empty line.
QStringList SplitTextIntoLines(const QString& text);
// Each line followed by CR LF, the last one too.
QString JoinLines(const QStringList& lines);

// A memo side file: the text exactly as given, line breaks written as CR LF; read back with its
// line breaks as CR LF. For both kinds of side file a folder of that name is no file: reading it
// gives nothing, as for a missing file.
std::optional<SideFileText> ReadMemoSideFile(const QString& path);
void WriteMemoSideFile(const QString& path, const QString& text, SideFileEncoding encoding = {});

// A list side file: one item per line, each followed by CR LF.
struct SideFileLines {
  QStringList lines;
  SideFileEncoding encoding;
};
std::optional<SideFileLines> ReadListSideFile(const QString& path);
void WriteListSideFile(const QString& path, const QStringList& items,
                       SideFileEncoding encoding = {});

// A ".File" value names a side file only when it is a plain base name: no folder, no way out of
// the program's own folders, no control characters, and short enough to be a file name at all.
bool IsPlainBaseName(const QString& value);
