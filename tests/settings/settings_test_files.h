#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <exception>
#include <utility>

// Small helpers shared by the settings tests: files as raw bytes, texts in each encoding, and
// the message of the error a call raises.
namespace settings_test {

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    qFatal("cannot write the fixture %s", qPrintable(path));
  file.write(bytes);
}

// The file's bytes; a null array when there is no such file.
inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QByteArray();
  QByteArray bytes = file.readAll();
  if (bytes.isNull())
    bytes = QByteArray("");
  return bytes;
}

inline QByteArray Utf16Le(const QString& text) {
  return QByteArray("\xFF\xFE") + QStringEncoder(QStringEncoder::Utf16LE).encode(text);
}

inline QByteArray Utf16Be(const QString& text) {
  return QByteArray("\xFE\xFF") + QStringEncoder(QStringEncoder::Utf16BE).encode(text);
}

inline QByteArray Utf8Mark(const QString& text) {
  return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

// The message of the exception `call` throws; empty when it throws none.
template <typename Call>
QString ErrorOf(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const std::exception& error) {
    return QString::fromUtf8(error.what());
  }
  return QString();
}

}  // namespace settings_test
