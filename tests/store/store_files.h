#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

// Whole files as bytes, for exact comparisons.
inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QByteArray("<missing>");
  return file.readAll();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
