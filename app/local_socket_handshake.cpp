#include "app/local_socket_handshake.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/stat.h>
#include <unistd.h>

namespace vornel {

namespace {

constexpr char CloseRequest[] = "close\n";
constexpr char ClosedAnswer[] = "closed\n";
constexpr qint64 MaxLine = 64;

// A folder that only this user can enter: ours, a real folder (not a link),
// with no access for group or others.
bool isPrivateFolder(const QString& path) {
    struct stat st {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

QString privateTempFolder() {
    const QString folder = QDir::tempPath() + QStringLiteral("/vornel-%1").arg(geteuid());
    // mkdir fails when it exists; then it must already be ours and private.
    (void)mkdir(QFile::encodeName(folder).constData(), 0700);
    return isPrivateFolder(folder) ? folder : QString();
}

bool waitForLine(QLocalSocket& socket, const QDeadlineTimer& deadline) {
    while (!socket.canReadLine()) {
        if (socket.state() != QLocalSocket::ConnectedState || deadline.hasExpired()) return false;
        socket.waitForReadyRead(int(deadline.remainingTime()));
    }
    return true;
}

} // namespace

LocalSocketHandshake::LocalSocketHandshake(QString socketPath, QObject* parent)
    : QObject(parent), path_(std::move(socketPath)) {}

LocalSocketHandshake::~LocalSocketHandshake() = default;

QString LocalSocketHandshake::displayKey(const QString& display) {
    QString key = display;
    const qsizetype colon = key.lastIndexOf(u':');
    const qsizetype dot = key.indexOf(u'.', colon + 1);
    if (colon >= 0 && dot > colon) key.truncate(dot);
    for (QChar& c : key)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-') c = u'_';
    return key.isEmpty() ? QStringLiteral("none") : key;
}

QString LocalSocketHandshake::defaultSocketPath() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !isPrivateFolder(folder)) folder = privateTempFolder();
    if (folder.isEmpty()) return {};
    return folder + QStringLiteral("/vornel-display") +
           displayKey(qEnvironmentVariable("DISPLAY")) + QStringLiteral(".socket");
}

bool LocalSocketHandshake::closeEarlierInstance(std::chrono::milliseconds timeout) {
    if (path_.isEmpty()) return false;
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(path_);
    // Refused or missing: no instance runs (a crashed one may have left its file).
    if (!socket.waitForConnected(int(deadline.remainingTime()))) return false;
    socket.write(CloseRequest);
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    // The answer comes once the earlier instance has removed its icon and
    // saved; the connection ending without one means it went away anyway.
    unanswered_ = !waitForLine(socket, deadline) && socket.state() == QLocalSocket::ConnectedState;
    return true;
}

bool LocalSocketHandshake::listen(std::function<void()> close) {
    if (path_.isEmpty()) return false;
    close_ = std::move(close);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path_)) {
        if (server_->serverError() != QAbstractSocket::AddressInUseError) return false;
        // A file that nobody answers on is what a crashed instance left
        // behind; one that still hangs after our request loses its name; one
        // that answers took the name after ours asked (two started at once)
        // and is asked in turn.
        if (unanswered_ || !closeEarlierInstance(std::chrono::seconds(10)))
            QLocalServer::removeServer(path_);
        if (!server_->listen(path_)) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
    return true;
}

// Closing the server removes its file. That must happen while the file is
// still ours: once a newer instance has its own there, it would remove that.
void LocalSocketHandshake::stopListening() {
    if (server_) server_->close();
}

void LocalSocketHandshake::answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaxLine) socket->disconnectFromServer();
        return;
    }
    if (socket->readLine(MaxLine + 1) != CloseRequest) {
        socket->disconnectFromServer();
        return;
    }
    // The newer instance is free to put its own file in place once answered.
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
