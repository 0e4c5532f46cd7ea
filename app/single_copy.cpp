#include "app/single_copy.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <qpa/qplatformnativeinterface.h>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <optional>

namespace app {
namespace {

// Off unless enabled with QT_LOGGING_RULES="tarvelon.copies.info=true"; tests read it to see
// that a running copy handled a later start's request.
Q_LOGGING_CATEGORY(copiesLog, "tarvelon.copies", QtWarningMsg)

// The one request a later start sends: this line, then for each token it was given a tab and
// NAME=value, then a line feed.
constexpr char kComeToFront[] = "come to the front";
constexpr char kTokenName[] = "XDG_ACTIVATION_TOKEN";
constexpr char kStartupIdName[] = "DESKTOP_STARTUP_ID";
// A token is an opaque printable string; a longer request is no request of ours.
constexpr qsizetype kLongestToken = 1024;
constexpr qsizetype kLongestRequest = 4 * kLongestToken;
// A later start that finds the folder locked keeps trying to reach the holder this long: the
// holder may have taken the lock a moment ago and not be listening yet.
constexpr int kReachMs = 5000;
constexpr int kStepMs = 2000;

QString CanonicalFolder(const QString& folder) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
}

// Whether `path` is a folder of this process's user.
bool IsOwnFolder(const QByteArray& path) {
  struct stat info {};
  return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == ::geteuid();
}

// The file a server name stands for, as Qt resolves it: a bare name lies in the temporary folder.
QString SocketPath(const QString& name) {
  return QDir::isAbsolutePath(name) ? name : QDir::tempPath() + u'/' + name;
}

// Whether a file other than this user's stands at the socket's place; a missing one is not.
bool SomeoneElsesFile(const QString& path) {
  struct stat info {};
  return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && info.st_uid != ::geteuid();
}

// Whether the process at the other end of `socket` runs as this process's user, as the kernel
// tells it for the connected socket.
bool PeerIsThisUser(const QLocalSocket& socket) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                      &size) == 0 &&
         peer.uid == ::geteuid();
}

bool IsUsableToken(const QByteArray& token) {
  if (token.isEmpty() || token.size() > kLongestToken)
    return false;
  return std::all_of(token.begin(), token.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte != 0x7F;
  });
}

QByteArray Request(const ActivationTokens& tokens) {
  QByteArray request = kComeToFront;
  if (IsUsableToken(tokens.xdg_activation_token))
    request += '\t' + QByteArray(kTokenName) + '=' + tokens.xdg_activation_token;
  if (IsUsableToken(tokens.desktop_startup_id))
    request += '\t' + QByteArray(kStartupIdName) + '=' + tokens.desktop_startup_id;
  return request + '\n';
}

// The tokens of a request line; nothing when the line is no request.
std::optional<ActivationTokens> ParseRequest(QByteArray line) {
  if (line.endsWith('\n'))
    line.chop(1);
  const QList<QByteArray> fields = line.split('\t');
  if (fields.first() != kComeToFront)
    return std::nullopt;
  ActivationTokens tokens;
  for (const QByteArray& field : fields.mid(1)) {
    const qsizetype equals = field.indexOf('=');
    const QByteArray name = field.left(equals), value = field.mid(equals + 1);
    if (equals < 0 || !IsUsableToken(value))
      continue;
    if (name == kTokenName)
      tokens.xdg_activation_token = value;
    else if (name == kStartupIdName)
      tokens.desktop_startup_id = value;
  }
  return tokens;
}

// An X11 startup id ends in "_TIME" and the X server time of the user's action that launched
// the program. Qt asks the window manager for the focus with the time of the last event the
// program saw; a launch later than that is the user's newer wish, so its time goes with the
// request, as the window manager's focus-stealing prevention expects.
void UseStartupTime(const QByteArray& startup_id, QWidget* window) {
  const qsizetype at = startup_id.lastIndexOf("_TIME");
  QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
  if (at < 0 || !native || QGuiApplication::platformName() != QLatin1String("xcb"))
    return;
  bool ok = false;
  const quint32 time = startup_id.mid(at + 5).toUInt(&ok);
  QScreen* screen = window->screen();
  const auto set_time = native->nativeResourceFunctionForScreen("setapptime");
  const auto set_user_time = native->nativeResourceFunctionForScreen("setappusertime");
  if (!ok || !screen || !set_time || !set_user_time)
    return;
  const auto now = static_cast<quint32>(
      reinterpret_cast<quintptr>(native->nativeResourceForScreen("apptime", screen)));
  // X server times wrap around; a difference within half the range tells which is later.
  if (static_cast<qint32>(time - now) <= 0)
    return;
  // The interface hands out every function under one generic type; these two take the screen
  // and a time (through the untyped function pointer, which the compiler allows).
  using SetTime = void (*)(QScreen*, quint32);
  using Untyped = void (*)();
  reinterpret_cast<SetTime>(reinterpret_cast<Untyped>(set_user_time))(screen, time);
  reinterpret_cast<SetTime>(reinterpret_cast<Untyped>(set_time))(screen, time);
}

}  // namespace

ActivationTokens ActivationTokens::FromEnvironment() {
  return {qgetenv(kTokenName), qgetenv(kStartupIdName)};
}

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
  const QString name = QStringLiteral("tarvelon-") + QString::fromLatin1(hash.toHex().left(32));
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  const QString in_runtime = QFile::decodeName(runtime) + u'/' + name;
  // A socket's path must fit the kernel's address structure.
  if (runtime.startsWith('/') && IsOwnFolder(runtime) &&
      QFile::encodeName(in_runtime).size() < qsizetype(sizeof(sockaddr_un::sun_path))) {
    return in_runtime;
  }
  return name;
}

QString SingleCopy::LockFileName() {
  return QStringLiteral("tarvelon.lock");
}

SingleCopy::Claim SingleCopy::Take(const ActivationTokens& tokens) {
  // tryLock removes a lock whose owner has died and takes it.
  if (lock_.tryLock(0))
    return Claim::kFirst;
  if (lock_.error() != QLockFile::LockFailedError) {
    // The folder cannot hold a lock (not writable, say): then no copy can save into it either,
    // so nothing can be overwritten and the start goes on.
    return Claim::kFirst;
  }
  return AskOtherToComeToFront(tokens) ? Claim::kAskedOther : Claim::kOtherSilent;
}

void SingleCopy::BringForwardOnRequest(QWidget* window) {
  window_ = window;
  if (!lock_.isLocked())
    return;
  // Holding the lock, a server of this name that is ours is a leftover of a copy that died.
  // Another user's socket in the shared temporary folder stays; this copy then cannot be
  // reached, and later starts end without speaking to that socket.
  if (SomeoneElsesFile(SocketPath(server_name_))) {
    qCInfo(copiesLog) << "another user's socket stands at" << SocketPath(server_name_);
    return;
  }
  QLocalServer::removeServer(server_name_);
  server_.listen(server_name_);
}

void SingleCopy::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!PeerIsThisUser(*socket)) {
      socket->abort();
      continue;
    }
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestRequest)
          socket->abort();
        return;
      }
      const std::optional<ActivationTokens> tokens = ParseRequest(socket->readLine());
      if (tokens && window_) {
        qCInfo(copiesLog, "a later start handed over %s=%s %s=%s", kTokenName,
               tokens->xdg_activation_token.constData(), kStartupIdName,
               tokens->desktop_startup_id.constData());
        BringToFront(window_, *tokens);
        qCInfo(copiesLog) << "brought the window to the front for a later start";
      }
      socket->disconnectFromServer();
    });
  }
}

bool SingleCopy::AskOtherToComeToFront(const ActivationTokens& tokens) const {
  QDeadlineTimer deadline(kReachMs);
  do {
    // Another user's socket is never connected to, and is no copy of ours: the start ends.
    if (SomeoneElsesFile(SocketPath(server_name_)))
      return false;
    QLocalSocket socket;
    socket.connectToServer(server_name_);
    if (socket.waitForConnected(kStepMs)) {
      // The file's owner may have changed since it was looked at: the kernel's word on the
      // process at the other end settles it before anything is sent.
      if (!PeerIsThisUser(socket))
        return false;
      socket.write(Request(tokens));
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

void BringToFront(QWidget* window, const ActivationTokens& tokens) {
  // Qt's Wayland platform asks the compositor to activate a window with the token it finds in
  // XDG_ACTIVATION_TOKEN at that moment, and removes it once used.
  if (!tokens.xdg_activation_token.isEmpty())
    qputenv(kTokenName, tokens.xdg_activation_token);
  if (!tokens.desktop_startup_id.isEmpty())
    UseStartupTime(tokens.desktop_startup_id, window);
  if (window->isMinimized())
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->raise();
  window->activateWindow();
}

}  // namespace app
