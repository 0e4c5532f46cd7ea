#include "ui/single_copy.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QThread>

namespace ui {
namespace {

// Off unless enabled with QT_LOGGING_RULES="tarvelon.copies.info=true"; tests read it to see
// that a running copy handled a later start's request.
Q_LOGGING_CATEGORY(copiesLog, "tarvelon.copies", QtWarningMsg)

// The one request a later start sends.
constexpr char kComeToFront[] = "come to the front\n";
// A later start that finds the folder locked keeps trying to reach the holder this long: the
// holder may have taken the lock a moment ago and not be listening yet.
constexpr int kReachMs = 5000;
constexpr int kStepMs = 2000;

QString CanonicalFolder(const QString& folder) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
}

}  // namespace

SingleCopy::SingleCopy(const QString& dataFolder)
    : server_name_(ServerName(dataFolder)), lock_(QDir(dataFolder).filePath(LockFileName())) {
  // A lock is stale only when its owner is gone, never because of its age: a copy may run for
  // days, and on a file system without working file locks the age would be all Qt goes by.
  lock_.setStaleLockTime(0);
  // Only the user who runs the copy may ask it to come to the front.
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(&server_, &QLocalServer::newConnection, [this] { OnConnection(); });
}

QString SingleCopy::ServerName(const QString& dataFolder) {
  const QByteArray hash =
      QCryptographicHash::hash(CanonicalFolder(dataFolder).toUtf8(), QCryptographicHash::Sha256);
  return QStringLiteral("tarvelon-") + QString::fromLatin1(hash.toHex().left(32));
}

QString SingleCopy::LockFileName() {
  return QStringLiteral("tarvelon.lock");
}

SingleCopy::Claim SingleCopy::Take() {
  // tryLock removes a lock whose owner has died and takes it.
  if (lock_.tryLock(0))
    return Claim::kFirst;
  if (lock_.error() != QLockFile::LockFailedError) {
    // The folder cannot hold a lock (not writable, say): then no copy can save into it either,
    // so nothing can be overwritten and the start goes on.
    return Claim::kFirst;
  }
  return AskOtherToComeToFront() ? Claim::kAskedOther : Claim::kOtherSilent;
}

void SingleCopy::BringForwardOnRequest(QWidget* window) {
  window_ = window;
  if (!lock_.isLocked())
    return;
  // Holding the lock, any server of this name is a leftover of a copy that died.
  QLocalServer::removeServer(server_name_);
  server_.listen(server_name_);
}

void SingleCopy::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      if (!socket->canReadLine())
        return;
      if (socket->readLine() == kComeToFront) {
        if (window_) {
          BringToFront(window_);
          qCInfo(copiesLog) << "brought the window to the front for a later start";
        }
      }
      socket->disconnectFromServer();
    });
  }
}

bool SingleCopy::AskOtherToComeToFront() const {
  QDeadlineTimer deadline(kReachMs);
  do {
    QLocalSocket socket;
    socket.connectToServer(server_name_);
    if (socket.waitForConnected(kStepMs)) {
      socket.write(kComeToFront);
      // The holder closes the connection once it has read the request.
      const bool sent = socket.waitForBytesWritten(kStepMs);
      if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kStepMs);
      if (sent)
        return true;
    }
    QThread::msleep(50);
  } while (!deadline.hasExpired());
  return false;
}

void BringToFront(QWidget* window) {
  if (window->isMinimized())
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->raise();
  window->activateWindow();
}

}  // namespace ui
