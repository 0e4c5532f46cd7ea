#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace app {

// Ends the program like a close when the session ends without the window being closed: on the
// session manager's commit request (logging out, shutting down) and on SIGTERM, SIGHUP and SIGINT
// (what a desktop session and systemd send before they end a program, and what closing its
// terminal sends). Each runs `save` once, then ends the event loop: with exit code 0 after a
// save, 1 when the save threw, in which case nothing is shown, since nobody is left to answer a
// box. A signal that comes while that save is pending or running ends the process at once; the
// files are replaced atomically, so each stays old or new.
//
// The signal handler only writes to a socket; the save runs on the event loop, and waits like a
// close for a handler that is letting pending messages through. One per process.
class TSessionEnd : public QObject {
 public:
  explicit TSessionEnd(std::function<void()> save, QObject* parent = nullptr);
  ~TSessionEnd() override;
  TSessionEnd(const TSessionEnd&) = delete;
  TSessionEnd& operator=(const TSessionEnd&) = delete;

 private:
  void End();

  std::function<void()> save_;
  int read_fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  bool ended_ = false;
};

}  // namespace app
