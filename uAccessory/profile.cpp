#include "uAccessory/profile.h"

#include <QFile>
#include <QLocale>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/file_replacement.h"
#include "base/qt_text.h"
#include "base/text_encoding.h"
#include "base/user_locale.h"
#include "uAccessory/file_errors.h"

namespace {

bool IsBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

QStringView TrimBlanks(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsBlank(text[begin]))
    ++begin;
  while (end > begin && IsBlank(text[end - 1]))
    --end;
  return text.sliced(begin, end - begin);
}

// A line break inside a written name or value would start a new line in the file; it is written
// as one space instead (CR LF counts as one break).
QString OnOneLine(const QString& text) {
  QString out;
  out.reserve(text.size());
  base::ForEachLine(text, [&](QStringView line, bool ends_with_break) {
    out += line;
    if (ends_with_break)
      out += u' ';
  });
  return out;
}

QString Unquoted(QStringView value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == u'"' || value.front() == u'\''))
    return value.sliced(1, value.size() - 2).toString();
  return value.toString();
}

// One line of the file: its bytes are [begin, content_end) and its line ending
// [content_end, end); a last line without an ending has content_end == end.
struct FileLine {
  std::size_t begin = 0;
  std::size_t content_end = 0;
  std::size_t end = 0;
  QString text;
  bool HasEnding() const { return end > content_end; }
};

// The file as read, split into lines without decoding the unchanged ones twice, so a write can
// copy every untouched line's bytes exactly.
struct ProfileImage {
  std::string bytes;
  base::TextEncoding encoding = base::TextEncoding::kUtf8;
  std::vector<FileLine> lines;

  std::string Encode(const QString& text) const {
    return base::EncodeText(base::U16View(text), encoding);
  }
  std::string LineBreak() const { return Encode(QStringLiteral("\r\n")); }
  bool EndsWithoutLineBreak() const { return !lines.empty() && !lines.back().HasEnding(); }
};

// Line breaks are CR LF, LF or a lone CR, found per code unit of the file's encoding; in UTF-8
// the bytes 0D and 0A never occur inside a multi-byte character. The lines are found over the
// bytes rather than over decoded text (as the text line walker does): a key written in place
// replaces exactly its own line's bytes, and every other line stays byte for byte.
std::vector<FileLine> FindLinesInBytes(const std::string& bytes, std::size_t start,
                                       base::TextEncoding encoding) {
  const std::size_t width = encoding == base::TextEncoding::kUtf8 ? 1 : 2;
  const auto unit_at = [&](std::size_t i) -> unsigned {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (width == 1)
      return b0;
    const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    return encoding == base::TextEncoding::kUtf16Le ? (b0 | (b1 << 8)) : ((b0 << 8) | b1);
  };
  std::vector<FileLine> lines;
  std::size_t pos = start;
  while (pos < bytes.size()) {
    FileLine line;
    line.begin = pos;
    std::size_t i = pos;
    while (i + width <= bytes.size() && unit_at(i) != u'\r' && unit_at(i) != u'\n')
      i += width;
    if (i + width > bytes.size()) {
      line.content_end = line.end = bytes.size();
    } else {
      line.content_end = i;
      const bool crlf =
          unit_at(i) == u'\r' && i + 2 * width <= bytes.size() && unit_at(i + width) == u'\n';
      line.end = i + (crlf ? 2 : 1) * width;
    }
    line.text = QString::fromStdU16String(base::DecodeText(
        std::string_view(bytes).substr(line.begin, line.content_end - line.begin), encoding));
    lines.push_back(std::move(line));
    pos = lines.back().end;
  }
  return lines;
}

// The image of a file's bytes, or nothing when there is no file.
std::optional<ProfileImage> ImageOf(std::optional<std::string> bytes) {
  if (!bytes)
    return std::nullopt;
  ProfileImage image;
  image.bytes = std::move(*bytes);
  const base::EncodingMark mark = base::DetectEncoding(image.bytes);
  image.encoding = mark.encoding;
  if (mark.encoding != base::TextEncoding::kUtf8 &&
      (image.bytes.size() - mark.mark_size) % 2 == 1) {
    // A dangling last byte is no UTF-16 code unit. It stands as the replacement character the
    // reader shows for it, so that whatever a write appends stays aligned on code units.
    image.bytes.pop_back();
    image.bytes += base::EncodeText(u"\uFFFD", mark.encoding);
  }
  image.lines = FindLinesInBytes(image.bytes, mark.mark_size, mark.encoding);
  return image;
}

// The file's image, or nothing when it does not exist. Throws base::FileError.
std::optional<ProfileImage> Load(const QString& path) {
  return ImageOf(base::ReadWholeFile(LocalPath(path)));
}

// Where a section and a key stand: line indexes, -1 when absent.
struct Location {
  int header = -1;    // the first section of the name
  int last_key = -1;  // its last key line
  int key = -1;       // its first key line of the name
  QString key_spelling;
};

Location Locate(const ProfileImage& image, QStringView section, QStringView key) {
  Location found;
  for (int i = 0; i < static_cast<int>(image.lines.size()); ++i) {
    const ProfileLine line = ClassifyProfileLine(image.lines[i].text);
    if (line.kind == ProfileLineKind::kSection) {
      if (found.header >= 0)
        break;
      if (SameProfileName(line.name, section))
        found.header = i;
    } else if (found.header >= 0 && line.kind == ProfileLineKind::kKey) {
      found.last_key = i;
      if (found.key < 0 && SameProfileName(line.name, key)) {
        found.key = i;
        found.key_spelling = line.name.toString();
      }
    }
  }
  return found;
}

void Replace(const QString& path, const std::string& bytes) {
  try {
    base::ReplaceFile(LocalPath(path), bytes);
  } catch (const base::FileError&) {
    throw UnableToWrite(path);
  }
}

std::optional<std::string> ReadForWriting(const QString& path) {
  try {
    return base::ReadWholeFile(LocalPath(path));
  } catch (const base::FileError&) {
    throw UnableToWrite(path);
  }
}

std::string Bytes(const ProfileImage& image, std::size_t from, std::size_t to) {
  return image.bytes.substr(from, to - from);
}

}  // namespace

ProfileLine ClassifyProfileLine(QStringView line) {
  const QStringView text = TrimBlanks(line);
  ProfileLine result;
  if (text.isEmpty())
    return result;
  if (text.front() == u';') {
    result.kind = ProfileLineKind::kComment;
    return result;
  }
  if (text.front() == u'[') {
    result.kind = ProfileLineKind::kSection;
    const qsizetype close = text.indexOf(u']');
    result.name = TrimBlanks(close < 0 ? text.sliced(1) : text.sliced(1, close - 1));
    return result;
  }
  const qsizetype equals = text.indexOf(u'=');
  if (equals < 0) {
    result.kind = ProfileLineKind::kForeign;
    return result;
  }
  result.kind = ProfileLineKind::kKey;
  result.name = TrimBlanks(text.first(equals));
  result.value = TrimBlanks(text.sliced(equals + 1));
  return result;
}

bool SameProfileName(QStringView a, QStringView b) {
  return TrimBlanks(a).compare(TrimBlanks(b), Qt::CaseInsensitive) == 0;
}

QString LongTimeFormat() {
  const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == u'\'')
      quoted = !quoted;
    if (quoted || c != u't') {
      out += c;
      continue;
    }
    // Drop the zone field with the blanks and punctuation that tie it to the rest.
    while (i + 1 < format.size() && format[i + 1] == u't')
      ++i;
    while (!out.isEmpty() && !out.back().isLetterOrNumber() && out.back() != u'\'')
      out.chop(1);
    if (out.isEmpty()) {
      while (i + 1 < format.size() && !format[i + 1].isLetterOrNumber() && format[i + 1] != u'\'')
        ++i;
    }
  }
  return out;
}

QString TProfileFile::ReadString(const QString& section, const QString& key,
                                 const QString& default_value) const {
  std::optional<ProfileImage> image;
  if (batch_) {
    image = ImageOf(batch_->bytes);
  } else {
    try {
      image = Load(path_);
    } catch (const base::FileError& error) {
      throw CannotOpen(path_, error);
    }
  }
  if (!image)
    return default_value;
  const Location location = Locate(*image, section, key);
  if (location.key < 0)
    return default_value;
  return Unquoted(ClassifyProfileLine(image->lines[location.key].text).value);
}

void TProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
  const QString section_name = OnOneLine(TrimBlanks(section).toString());
  const QString key_name = OnOneLine(TrimBlanks(key).toString());
  const QString written_value = OnOneLine(value);
  const std::optional<ProfileImage> image = ImageOf(CurrentBytes());
  if (!image) {
    // A new file: UTF-8 without a mark, CR LF.
    const QString text = u'[' + section_name + QStringLiteral("]\r\n") + key_name + u'=' +
                         written_value + QStringLiteral("\r\n");
    Store(text.toStdString());
    return;
  }
  const Location location = Locate(*image, section_name, key_name);
  const std::string crlf = image->LineBreak();
  std::string out;
  if (location.key >= 0) {
    // In place, keeping the key's spelling and the line's own ending.
    const FileLine& line = image->lines[location.key];
    out = Bytes(*image, 0, line.begin) +
          image->Encode(location.key_spelling + u'=' + written_value) +
          image->bytes.substr(line.content_end);
  } else if (location.header >= 0) {
    // Directly after the section's last key line; comments and blanks below it stay below.
    const FileLine& anchor =
        image->lines[location.last_key >= 0 ? location.last_key : location.header];
    out = Bytes(*image, 0, anchor.end);
    if (!anchor.HasEnding())
      out += crlf;
    out += image->Encode(key_name + u'=' + written_value) + crlf;
    out += image->bytes.substr(anchor.end);
  } else {
    out = image->bytes;
    if (image->EndsWithoutLineBreak())
      out += crlf;
    out += image->Encode(u'[' + section_name + u']') + crlf;
    out += image->Encode(key_name + u'=' + written_value) + crlf;
  }
  Store(out);
}

void TProfileFile::EraseSection(const QString& section) {
  EraseSection(section, {});
}

void TProfileFile::EraseSection(const QString& section,
                                const std::function<bool(QStringView key)>& keep) {
  const std::optional<ProfileImage> image = ImageOf(CurrentBytes());
  if (!image)
    return;
  const Location location = Locate(*image, section, QStringView());
  if (location.header < 0)
    return;
  const FileLine& header = image->lines[location.header];
  std::string body;
  std::string rest;
  bool kept_key = false;
  for (std::size_t i = location.header + 1; i < image->lines.size(); ++i) {
    const FileLine& line = image->lines[i];
    const ProfileLine parsed = ClassifyProfileLine(line.text);
    if (parsed.kind == ProfileLineKind::kSection) {
      rest = image->bytes.substr(line.begin);
      break;
    }
    if (parsed.kind != ProfileLineKind::kKey) {
      body += Bytes(*image, line.begin, line.end);
    } else if (keep && keep(parsed.name)) {
      body += Bytes(*image, line.begin, line.end);
      kept_key = true;
    }
  }
  std::string out = Bytes(*image, 0, header.begin);
  if (kept_key)
    out += Bytes(*image, header.begin, header.end);
  Store(out + body + rest);
}

void TProfileFile::BeginBatch() {
  batch_ = Batch{ReadForWriting(path_), false};
}

void TProfileFile::Close() {
  if (batch_ && batch_->changed)
    Replace(path_, *batch_->bytes);
  batch_.reset();
  path_.clear();
}

std::optional<std::string> TProfileFile::CurrentBytes() const {
  return batch_ ? batch_->bytes : ReadForWriting(path_);
}

void TProfileFile::Store(const std::string& bytes) {
  if (!batch_) {
    Replace(path_, bytes);
    return;
  }
  batch_->bytes = bytes;
  batch_->changed = true;
}

int TProfileFile::ReadInteger(const QString& section, const QString& key, int default_value) const {
  const QString text = ReadString(section, key, QString());
  return base::ParseInteger(text).value_or(default_value);
}

void TProfileFile::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

bool TProfileFile::ReadBool(const QString& section, const QString& key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void TProfileFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TProfileFile::ReadFloat(const QString& section, const QString& key,
                               double default_value) const {
  const QString text = ReadString(section, key, QString());
  bool ok = false;
  const double value = QLocale::system().toDouble(text, &ok);
  return ok ? value : default_value;
}

void TProfileFile::WriteFloat(const QString& section, const QString& key, double value) {
  WriteString(section, key, base::NumberLocale().toString(value, 'G', 15));
}

QTime TProfileFile::ReadTime(const QString& section, const QString& key,
                             QTime default_value) const {
  const QLocale locale = QLocale::system();
  const QString format = LongTimeFormat();
  const QString text = ReadString(section, key, locale.toString(default_value, format));
  const QTime time = locale.toTime(text, format);
  if (!time.isValid())
    throw std::runtime_error(QStringLiteral("'%1' is not a valid time").arg(text).toStdString());
  return time;
}

void TProfileFile::WriteTime(const QString& section, const QString& key, QTime value) {
  WriteString(section, key, QLocale::system().toString(value, LongTimeFormat()));
}
