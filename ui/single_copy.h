#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace ui {

// Keeps one copy of the program running per data folder, so that two copies never save over
// each other's numbers. The copy that holds the lock file in the folder listens on a local
// socket named after the folder; a later start with the same folder asks it to bring its window
// to the front and then ends without touching any file.
class SingleCopy {
 public:
  // `dataFolder` is the folder whose files the program reads and writes.
  explicit SingleCopy(const QString& dataFolder);
  SingleCopy(const SingleCopy&) = delete;
  SingleCopy& operator=(const SingleCopy&) = delete;

  // What Claim found.
  enum class Claim {
    kFirst,        // this copy holds the folder now (a lock left by a dead copy is taken over)
    kAskedOther,   // another copy holds it and was asked to come to the front
    kOtherSilent,  // another copy holds it but could not be reached
  };
  // Takes the folder's lock, or asks the copy that holds it to come to the front.
  Claim Take();

  // Once the copy that holds the folder has its window: listens for later starts and brings
  // `window` (not owned; it may go away first) to the front whenever one asks. A later start
  // that comes before keeps trying for a few seconds.
  void BringForwardOnRequest(QWidget* window);

  // The local server name of a folder: a hash of its canonical path, so that copies in different
  // folders never meet and the name stays short whatever the folder's length.
  static QString ServerName(const QString& dataFolder);
  // The lock file's name inside the data folder.
  static QString LockFileName();

 private:
  void OnConnection();
  bool AskOtherToComeToFront() const;

  QString server_name_;
  QLockFile lock_;
  QLocalServer server_;
  QPointer<QWidget> window_;
};

// Un-minimises, raises and activates `window`.
void BringToFront(QWidget* window);

}  // namespace ui
