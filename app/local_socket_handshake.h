#pragma once

#include "app/instance_handshake.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace vornel {

// The handshake over a local socket that only this user can reach, one per
// user and X display.
class LocalSocketHandshake : public QObject, public InstanceHandshake {
    Q_OBJECT

public:
    // socketPath: a full path; empty disables the handshake (every call then
    // finds no instance and listen fails).
    explicit LocalSocketHandshake(QString socketPath, QObject* parent = nullptr);
    ~LocalSocketHandshake() override;

    // The socket of this user and display (X, and Wayland where there is
    // one): in $XDG_RUNTIME_DIR, else in a
    // folder of ours under the temporary folder that only we can enter.
    // Empty when neither can be had safely.
    static QString defaultSocketPath();
    // The X display as a file-name part: ":0.0" and ":0" are one display.
    static QString displayKey(const QString& display);

    bool closeEarlierInstance(std::chrono::milliseconds timeout) override;
    bool listen(std::function<void()> close) override;
    void stopListening() override;

private:
    void answer(QLocalSocket* socket);

    QString path_;
    QLocalServer* server_ = nullptr;
    std::function<void()> close_;
    // The earlier instance was found but did not answer in time.
    bool unanswered_ = false;
};

} // namespace vornel
