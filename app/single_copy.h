#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace app {

// What a later start hands to the running copy so that the desktop lets its window come to the
// front: desktops give the focus to a program only on the say-so of the launch that the user
// asked for. A Wayland compositor's activation token and an X11 launcher's startup id; each
// empty when the start was given none.
struct ActivationTokens {
  QByteArray xdg_activation_token;
  QByteArray desktop_startup_id;

  // The tokens this process was started with. Read them before the application object exists:
  // Qt's X11 platform takes DESKTOP_STARTUP_ID out of the environment when it starts.
  static ActivationTokens FromEnvironment();
  bool operator==(const ActivationTokens&) const = default;
};

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
  // Takes the folder's lock, or asks the copy that holds it to come to the front, handing it
  // `tokens`. Only a copy of the same user is asked: another user's socket of the same name is
  // never spoken to.
  Claim Take(const ActivationTokens& tokens = {});

  // Once the copy that holds the folder has its window: listens for later starts and brings
  // `window` (not owned; it may go away first) to the front whenever one asks. A later start
  // that comes before keeps trying for a few seconds.
  void BringForwardOnRequest(QWidget* window);

  // The local server name of a folder: a hash of its canonical path, so that copies in different
  // folders never meet and the name stays short whatever the folder's length. It lies in
  // $XDG_RUNTIME_DIR, which only the user may enter, when that is set; otherwise it is a bare
  // name, which Qt puts in the temporary folder that all users share.
  static QString ServerName(const QString& dataFolder);
  // The lock file's name inside the data folder.
  static QString LockFileName();

 private:
  void OnConnection();
  bool AskOtherToComeToFront(const ActivationTokens& tokens) const;

  QString server_name_;
  QLockFile lock_;
  QLocalServer server_;
  QPointer<QWidget> window_;
};

// Un-minimises, raises and activates `window`, with the tokens of the start that asked for it.
void BringToFront(QWidget* window, const ActivationTokens& tokens = {});

}  // namespace app
