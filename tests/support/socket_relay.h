#pragma once

// A socket of the tests' own in front of a compositor's: each connection made
// to it is passed on to the compositor's socket, and the bytes go through
// both ways unchanged, until cut() drops every connection at once, as a
// compositor drops a client it gives up on. New connections are passed on
// again afterwards. It serves from a thread of its own, so that a client that
// waits for an answer on the test's thread gets it.
//
// Bytes only: a protocol that passes file descriptors cannot go through.
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <memory>
#include <vector>

namespace vornel::test {

class SocketRelay {
public:
    explicit SocketRelay(QString target) : target_(std::move(target)) {
        thread_.start();
        server_ = new QLocalServer;
        server_->moveToThread(&thread_);
        onThread([this] {
            QObject::connect(server_, &QLocalServer::newConnection, server_, [this] { pass(); });
            server_->listen(dir_.filePath("relay"));
        });
    }
    ~SocketRelay() {
        onThread([this] {
            cutNow();
            delete server_;
        });
        thread_.quit();
        thread_.wait();
    }
    SocketRelay(const SocketRelay&) = delete;
    SocketRelay& operator=(const SocketRelay&) = delete;

    QString path() const { return dir_.filePath("relay"); }
    // Connections passed on since the start.
    int connections() const { return connections_; }
    void cut() {
        onThread([this] { cutNow(); });
    }

private:
    template <class F> void onThread(F f) {
        QMetaObject::invokeMethod(server_, f, Qt::BlockingQueuedConnection);
    }
    void pass() {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            auto* upstream = new QLocalSocket(client);
            upstream->connectToServer(target_);
            if (!upstream->waitForConnected(2000)) {
                client->abort();
                client->deleteLater();
                continue;
            }
            ++connections_;
            QObject::connect(client, &QLocalSocket::readyRead, upstream,
                             [client, upstream] { upstream->write(client->readAll()); });
            QObject::connect(upstream, &QLocalSocket::readyRead, client,
                             [client, upstream] { client->write(upstream->readAll()); });
            QObject::connect(upstream, &QLocalSocket::disconnected, client,
                             [client] { client->disconnectFromServer(); });
            QObject::connect(client, &QLocalSocket::disconnected, client, [this, client, upstream] {
                QObject::disconnect(upstream, nullptr, nullptr, nullptr);
                std::erase_if(pairs_, [client](const Pair& p) { return p.client == client; });
                client->deleteLater();
            });
            pairs_.push_back({client, upstream});
            // What came before the connections were joined.
            if (client->bytesAvailable()) upstream->write(client->readAll());
        }
    }
    void cutNow() {
        for (const Pair& p : std::exchange(pairs_, {})) {
            QObject::disconnect(p.client, nullptr, nullptr, nullptr);
            QObject::disconnect(p.upstream, nullptr, nullptr, nullptr);
            p.client->abort();
            delete p.client; // and its upstream with it
        }
    }

    QString target_;
    QTemporaryDir dir_;
    QThread thread_;
    QLocalServer* server_ = nullptr;
    struct Pair {
        QLocalSocket* client;
        QLocalSocket* upstream;
    };
    std::vector<Pair> pairs_;
    std::atomic<int> connections_{0};
};

} // namespace vornel::test
