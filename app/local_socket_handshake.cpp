#include "app/local_socket_handshake.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornel {

namespace {

constexpr char CloseRequest[] = "close\n";
constexpr char ClosedAnswer[] = "closed\n";
constexpr qint64 MaxLine = 64;
// How often a waiting start looks at the lock again.
constexpr int PollMs = 50;

// A folder that only this user can enter: ours, a real folder (not a link),
// with no access for group or others.
bool isPrivateFolder(const QString& path) {
    struct stat st {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// Without a private runtime folder the socket and its lock go to a folder of
// ours in the user's cache, which no other user can have made first (the
// temporary folder is everyone's: a folder made there by someone else under
// our name would leave us without a lock).
QString privateCacheFolder() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache)) return {};
    const QString folder = cache + QStringLiteral("/vornel");
    // mkdir fails when it exists; then it must already be ours and private.
    (void)mkdir(QFile::encodeName(folder).constData(), 0700);
    return isPrivateFolder(folder) ? folder : QString();
}

// A close request to whoever listens; none when nobody does (the holder of
// the lock is still starting, or already ending).
std::unique_ptr<QLocalSocket> askToClose(const QString& path) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(path);
    if (!socket->waitForConnected(PollMs)) return nullptr;
    socket->write(CloseRequest);
    socket->waitForBytesWritten(PollMs);
    return socket;
}

// The process at the other end of a connection; 0 when unknown.
pid_t peerProcess(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return 0;
    return peer.pid;
}

// A request whose sender has given up and gone is not obeyed: an instance
// that was stopped while a newer start waited must not end once it resumes,
// as nobody would take its place.
bool senderStillWaits(QLocalSocket* socket) {
    if (socket->state() != QLocalSocket::ConnectedState) return false;
    char byte = 0;
    const ssize_t read = recv(int(socket->socketDescriptor()), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return read > 0 || (read < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
}

} // namespace

LocalSocketHandshake::LocalSocketHandshake(QString socketPath, QObject* parent)
    : QObject(parent), path_(std::move(socketPath)) {}

LocalSocketHandshake::~LocalSocketHandshake() {
    // The socket goes while the lock is still ours, so that it can never be
    // a successor's.
    delete server_;
    if (lockFile_ >= 0) ::close(lockFile_);
}

namespace {

QString fileNamePart(QString text) {
    for (QChar& c : text)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-') c = u'_';
    return text.isEmpty() ? QStringLiteral("none") : text;
}

} // namespace

QString LocalSocketHandshake::displayKey(const QString& display) {
    QString key = display;
    const qsizetype colon = key.lastIndexOf(u':');
    const qsizetype dot = key.indexOf(u'.', colon + 1);
    if (colon >= 0 && dot > colon) key.truncate(dot);
    return fileNamePart(key);
}

QString LocalSocketHandshake::defaultSocketPath() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    // The runtime folder is this machine's; a home may be shared by several,
    // whose displays of the same number are not the same display.
    QString key;
    if (folder.isEmpty() || !isPrivateFolder(folder)) {
        folder = privateCacheFolder();
        key = fileNamePart(QSysInfo::machineHostName().section(u'.', 0, 0)) + u'-';
    }
    if (folder.isEmpty()) return {};
    // Two Wayland sessions of one user may share an X display number's
    // absence: the Wayland display tells them apart.
    key += QStringLiteral("display") + displayKey(qEnvironmentVariable("DISPLAY"));
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!wayland.isEmpty()) key += QStringLiteral("-wayland-") + displayKey(wayland);
    return folder + QStringLiteral("/vornel-") + key + QStringLiteral(".socket");
}

QString LocalSocketHandshake::lockPath(const QString& socketPath) {
    const QString suffix = QStringLiteral(".socket");
    return (socketPath.endsWith(suffix) ? socketPath.chopped(suffix.size()) : socketPath) +
           QStringLiteral(".lock");
}

// The lock is the kernel's: it goes with the process, however that ends, and
// the file stays (removing it would let two instances lock two files).
// Close-on-exec keeps it from programs we start, which could outlive us.
bool LocalSocketHandshake::tryLock() {
    if (locked_) return true;
    if (lockFile_ < 0)
        lockFile_ = ::open(QFile::encodeName(lockPath(path_)).constData(),
                           O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFile_ < 0) return false;
    locked_ = flock(lockFile_, LOCK_EX | LOCK_NB) == 0;
    // A folder whose file system cannot lock counts as no folder at all.
    if (!locked_ && errno != EWOULDBLOCK) {
        ::close(lockFile_);
        lockFile_ = -1;
    }
    return locked_;
}

EarlierInstance LocalSocketHandshake::closeEarlierInstance(std::chrono::milliseconds timeout) {
    // Without a lock another instance may run unseen: two would each
    // rewrite the settings and the log whole.
    if (path_.isEmpty()) return EarlierInstance::NoLock;
    if (tryLock()) return EarlierInstance::None;
    if (lockFile_ < 0) return EarlierInstance::NoLock;
    // The bound is how long one instance may keep the lock without ending:
    // it starts afresh for each new holder asked, when the holder answers
    // that it is ending, and when it has gone (the next one is starting), so
    // that a chain of starts at once hands over one by one, however long.
    // A holder that hangs keeps none of these from running out.
    QDeadlineTimer deadline(timeout);
    std::unique_ptr<QLocalSocket> request;
    pid_t asked = 0;
    while (!tryLock()) {
        if (deadline.hasExpired()) return EarlierInstance::StillRunning;
        if (!request) {
            if (!(request = askToClose(path_))) {
                if (asked != 0 && ::kill(asked, 0) != 0 && errno == ESRCH) {
                    asked = 0;
                    deadline.setRemainingTime(timeout);
                }
                QThread::msleep(PollMs);
                continue;
            }
            if (const pid_t holder = peerProcess(*request); holder != asked) {
                asked = holder;
                deadline.setRemainingTime(timeout);
            }
        }
        request->waitForReadyRead(PollMs);
        if (request->canReadLine()) {
            // It has removed its icon and saved; its end frees the lock, or
            // another start gets it first and is asked in turn.
            if (request->readLine(MaxLine + 1) == ClosedAnswer) deadline.setRemainingTime(timeout);
            request.reset();
        } else if (request->state() != QLocalSocket::ConnectedState) {
            request.reset();
        }
    }
    return EarlierInstance::Closed;
}

bool LocalSocketHandshake::listen(std::function<void()> close) {
    if (path_.isEmpty() || !tryLock()) return false;
    close_ = std::move(close);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the lock's holder makes a socket: one found now was left behind by
    // an instance that crashed.
    QLocalServer::removeServer(path_);
    if (!server_->listen(path_)) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
    return true;
}

// Closing the server removes its file; the lock is still ours then.
void LocalSocketHandshake::stopListening() {
    if (server_) server_->close();
}

void LocalSocketHandshake::answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaxLine) socket->disconnectFromServer();
        return;
    }
    if (socket->readLine(MaxLine + 1) != CloseRequest || !senderStillWaits(socket)) {
        socket->disconnectFromServer();
        return;
    }
    // A newer start may ask again while we save; it finds no socket and
    // waits for the lock.
    stopListening();
    if (close_) close_();
    socket->write(ClosedAnswer);
    socket->waitForBytesWritten(1000);
    socket->disconnectFromServer();
}

std::unique_ptr<InstanceHandshake> makeSystemHandshake() {
    return std::make_unique<LocalSocketHandshake>(LocalSocketHandshake::defaultSocketPath());
}

} // namespace vornel
