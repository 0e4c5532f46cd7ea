#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringEncoder>

#include <exception>
#include <utility>

// Files as bytes for exact comparisons, texts in each encoding with its byte-order mark, and the
// message of the error a call raises: what the tests of files and stored state share.

// The whole file; "<missing>" when there is no file to read, so that a missing file and an empty
// one never compare equal.
inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QByteArray("<missing>");
  return file.readAll();
}

// Writes the file whole, creating its folder; false when that fails.
inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
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
