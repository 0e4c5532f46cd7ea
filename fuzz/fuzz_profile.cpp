// Writing a key into any existing settings file, then reading it, gives the value back; every
// other line of a cleanly decodable file stays as it was.
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

#include "uAccessory/profile.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

// A plain name or value made of letters and digits, never empty.
QString Word(const std::uint8_t* data, std::size_t size, char fallback) {
  static const char kAlphabet[] = "abcXYZ019_.";
  QString word;
  for (std::size_t i = 0; i < size; ++i)
    word.append(QChar(kAlphabet[data[i] % 11]));
  if (word.isEmpty())
    word.append(QChar(fallback));
  return word;
}

QStringList Lines(const QString& text) {
  QString unified = text;
  unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
  QStringList lines = unified.split(u'\n');
  if (!lines.isEmpty() && lines.back().isEmpty())
    lines.removeLast();
  return lines;
}

std::optional<QString> CleanUtf8(const QByteArray& bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
      bytes.startsWith("\xFE\xFF")) {
    return std::nullopt;
  }
  // Clean means the bytes are exactly the UTF-8 of their text: no invalid or cut-off sequence.
  const QString text = QString::fromUtf8(bytes);
  if (text.toUtf8() != bytes)
    return std::nullopt;
  return text;
}

QString TestFile() {
  // Shared memory keeps the many atomic replacements cheap.
  const QString folder = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  return folder +
         QStringLiteral("/tarvelon-fuzz-profile-%1.dat").arg(QCoreApplication::applicationPid());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3)
    return 0;
  const std::size_t section_size = data[0] % 4;
  const std::size_t key_size = data[1] % 4;
  const std::size_t value_size = data[2] % 6;
  std::size_t pos = 3;
  const auto take = [&](std::size_t n) {
    const std::size_t start = std::min(pos, size);
    pos = std::min(pos + n, size);
    return std::make_pair(data + start, pos - start);
  };
  const auto [section_data, section_n] = take(section_size);
  const auto [key_data, key_n] = take(key_size);
  const auto [value_data, value_n] = take(value_size);
  const QString section = Word(section_data, section_n, 's');
  const QString key = Word(key_data, key_n, 'k');
  const QString value = Word(value_data, value_n, 'v');
  const QByteArray before(reinterpret_cast<const char*>(data + pos),
                          static_cast<qsizetype>(size - pos));

  const QString path = TestFile();
  {
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(before);
  }
  TProfileFile profile(path);
  profile.WriteString(section, key, value);
  Check(profile.ReadString(section, key, QStringLiteral("<default>")) == value);

  if (const auto old_text = CleanUtf8(before)) {
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly));
    const auto new_text = CleanUtf8(file.readAll());
    Check(new_text.has_value());
    const QStringList old_lines = Lines(*old_text);
    const QStringList new_lines = Lines(*new_text);
    qsizetype prefix = 0;
    while (prefix < old_lines.size() && prefix < new_lines.size() &&
           old_lines[prefix] == new_lines[prefix]) {
      ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < old_lines.size() - prefix && suffix < new_lines.size() - prefix &&
           old_lines[old_lines.size() - 1 - suffix] == new_lines[new_lines.size() - 1 - suffix]) {
      ++suffix;
    }
    // One key line replaced or inserted, or a section header and its key appended.
    Check(old_lines.size() - prefix - suffix <= 1);
    Check(new_lines.size() - prefix - suffix <= 2);
  }
  return 0;
}
