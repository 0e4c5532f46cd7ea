#include "uAccessory/file_errors.h"

#include <QFile>

namespace {

std::runtime_error FileFailure(const char* what, const QString& path,
                               const base::FileError& error) {
  return std::runtime_error(
      QString::fromUtf8(what).arg(path, QString::fromStdString(error.reason())).toStdString());
}

}  // namespace

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

std::runtime_error CannotCreate(const QString& path, const base::FileError& error) {
  return FileFailure("Cannot create file \"%1\". %2", path, error);
}

std::runtime_error CannotOpen(const QString& path, const base::FileError& error) {
  return FileFailure("Cannot open file \"%1\". %2", path, error);
}

std::runtime_error UnableToWrite(const QString& path) {
  return std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toStdString());
}
