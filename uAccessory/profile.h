#pragma once

#include <QString>
#include <QStringView>
#include <QTime>

#include <functional>
#include <optional>
#include <string>

// The profile file `settings.dat`: sections "[name]" holding lines "key=value".
//
// Every call reads the file afresh or rewrites it; nothing is cached between calls, so the file
// on disk is always the truth (outside a batch, see BeginBatch). A write keeps every line it does
// not change byte for byte (other sections, comments, blank lines, foreign text, line endings, the
// encoding and its byte-order mark) and replaces the file atomically: a failed write leaves the old
// file as it was and raises "Unable to write to <path>".
//
// Reading: names match without regard to case and are trimmed of spaces and tabs; only the
// first section of a name and the first matching key in it count; one pair of enclosing quotes
// is removed from a value; a missing file, section or key gives the caller's default. A file
// that exists but cannot be read raises "Cannot open file "<path>". <reason>".
class TProfileFile {
 public:
  TProfileFile() = default;
  explicit TProfileFile(const QString& path) { Open(path); }

  // Binds the layer to the file; touches no file.
  void Open(const QString& path) { path_ = path; }
  // Writes a pending batch, then unbinds the layer.
  void Close();
  // From here to Close, reads and writes work on a copy held in memory and Close replaces the
  // file once. A save of many keys then leaves the file either as it was or complete, even when
  // it fails or the process dies half-way; a batch dropped without Close writes nothing.
  void BeginBatch();
  const QString& Path() const { return path_; }

  QString ReadString(const QString& section, const QString& key,
                     const QString& default_value) const;
  // Writes "key=value"; a line break inside the value is written as a space so that no value
  // can break the file's structure.
  void WriteString(const QString& section, const QString& key, const QString& value);

  // Read with the program's integer syntax (decimal, or hexadecimal with "$", "x", "0x");
  // anything else gives the default. Written in decimal.
  int ReadInteger(const QString& section, const QString& key, int default_value) const;
  void WriteInteger(const QString& section, const QString& key, int value);

  // Stored as "1" or "0"; read as an integer, any non-zero value being true.
  bool ReadBool(const QString& section, const QString& key, bool default_value) const;
  void WriteBool(const QString& section, const QString& key, bool value);

  // General format, at most 15 significant digits, the system locale's decimal separator and no
  // group separators; read with the system locale. Unparsable text gives the default.
  double ReadFloat(const QString& section, const QString& key, double default_value) const;
  void WriteFloat(const QString& section, const QString& key, double value);

  // The time of day in the system locale's long time format. A missing key reads the default
  // formatted that way; text that is not a time raises "'<text>' is not a valid time".
  QTime ReadTime(const QString& section, const QString& key, QTime default_value) const;
  void WriteTime(const QString& section, const QString& key, QTime value);

  // Removes the header of the first section of that name and its key lines; comments, blank
  // lines and foreign lines stay. A missing section or file is left alone and nothing is written.
  void EraseSection(const QString& section);
  // As EraseSection, but key lines for which `keep` returns true stay byte for byte, and with them
  // the header, so that they still belong to the section.
  void EraseSection(const QString& section, const std::function<bool(QStringView key)>& keep);

 private:
  // The file's bytes as the batch has them (nothing: no file), and whether a write changed them.
  struct Batch {
    std::optional<std::string> bytes;
    bool changed = false;
  };
  std::optional<std::string> CurrentBytes() const;
  void Store(const std::string& bytes);

  QString path_;
  std::optional<Batch> batch_;
};

// How one line of a profile file reads. Shared with the reader of stored lists so that both see
// the file the same way.
enum class ProfileLineKind {
  kBlank,    // empty or only spaces and tabs
  kComment,  // first non-blank character is ';'
  kSection,  // first non-blank character is '['; `name` is the trimmed section name
  kKey,      // holds '='; `name` and `value` are the trimmed key and value, quotes kept
  kForeign,  // anything else: never matches and is never removed
};
struct ProfileLine {
  ProfileLineKind kind = ProfileLineKind::kBlank;
  QStringView name;
  QStringView value;
};
ProfileLine ClassifyProfileLine(QStringView line);

// Whether two section or key names are the same: trimmed, compared without regard to case.
bool SameProfileName(QStringView a, QStringView b);

// The system locale's long time format without its time-zone field: a time of day has no zone,
// and a format with one does not read back what it wrote.
QString LongTimeFormat();
