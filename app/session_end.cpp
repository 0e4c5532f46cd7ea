#include "app/session_end.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <exception>
#include <iterator>
#include <stdexcept>

#include "ui/pending_messages.h"

namespace app {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Shared with the signal handler, which may touch nothing else.
int signal_write_fd = -1;
volatile std::sig_atomic_t ending = 0;

void OnEndSignal(int signal_number) {
  if (ending)
    ::_exit(128 + signal_number);
  ending = 1;
  const int saved_errno = errno;
  const char byte = static_cast<char>(signal_number);
  if (::write(signal_write_fd, &byte, 1) < 0) {
    // The socket holds one byte at most; nothing else can be done here.
  }
  errno = saved_errno;
}

struct sigaction previous_actions[std::size(kEndSignals)];

}  // namespace

TSessionEnd::TSessionEnd(std::function<void()> save, QObject* parent)
    : QObject(parent), save_(std::move(save)) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
    throw std::runtime_error("Cannot create the session-end socket");
  read_fd_ = fds[0];
  signal_write_fd = fds[1];
  ending = 0;
  notifier_ = new QSocketNotifier(read_fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    while (::read(read_fd_, &byte, 1) > 0) {
    }
    End();
  });

  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
    ::sigaction(kEndSignals[i], &action, &previous_actions[i]);

  // Qt 6 no longer closes the windows for the session manager; the save is run here instead.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { End(); });
  }
}

TSessionEnd::~TSessionEnd() {
  for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
    ::sigaction(kEndSignals[i], &previous_actions[i], nullptr);
  delete notifier_;
  ::close(read_fd_);
  ::close(signal_write_fd);
  signal_write_fd = -1;
  ending = 0;
}

void TSessionEnd::End() {
  if (ended_)
    return;
  if (ui::ProcessingMessages()) {
    // A handler below is still running and lets paints through: save once it has finished, as a
    // close does, so the save sees the window as the handler leaves it.
    QMetaObject::invokeMethod(this, &TSessionEnd::End, Qt::QueuedConnection);
    return;
  }
  ended_ = true;
  ending = 1;  // from here on a signal ends the process at once
  int code = 0;
  try {
    save_();
  } catch (const std::exception&) {
    code = 1;
  }
  QCoreApplication::exit(code);
}

}  // namespace app
