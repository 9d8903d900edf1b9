#pragma once

#include "app/instance_handshake.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace vornel {

// The handshake over a local socket that only this user can reach, one per
// user and X display. An exclusive lock on a file beside the socket, held from
// closeEarlierInstance (or listen) until this object goes, makes the instance
// the only one; only the lock's holder creates or removes the socket.
class LocalSocketHandshake : public QObject, public InstanceHandshake {
    Q_OBJECT

public:
    // socketPath: a full path; empty when no private folder could be had
    // (closeEarlierInstance then says there is no lock, and listen fails).
    explicit LocalSocketHandshake(QString socketPath, QObject* parent = nullptr);
    // Removes the socket, then lets the lock go: keep this object until the
    // last save is done.
    ~LocalSocketHandshake() override;

    // The socket of this user and display (X, and Wayland where there is
    // one): in $XDG_RUNTIME_DIR, else in a folder of ours in the user's cache
    // ($XDG_CACHE_HOME/vornel or ~/.cache/vornel) that only we can enter,
    // named after the machine too. Empty when neither can be had safely.
    static QString defaultSocketPath();
    // The X display as a file-name part: ":0.0" and ":0" are one display.
    static QString displayKey(const QString& display);
    // The lock file that goes with a socket.
    static QString lockPath(const QString& socketPath);

    // While the lock is held elsewhere, asks whoever listens to close, again
    // and again as the lock changes hands, until the lock is ours. The wait
    // starts afresh each time an instance answers that it is ending.
    EarlierInstance closeEarlierInstance(std::chrono::milliseconds timeout) override;
    // Takes the lock if this object does not hold it yet; false when another
    // instance holds it.
    bool listen(std::function<void()> close) override;
    void stopListening() override;

private:
    bool tryLock();
    void answer(QLocalSocket* socket);

    QString path_;
    int lockFile_ = -1;
    bool locked_ = false;
    QLocalServer* server_ = nullptr;
    std::function<void()> close_;
};

} // namespace vornel
