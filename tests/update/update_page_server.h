#pragma once

// A tiny HTTP server on 127.0.0.1 in the test process: it answers every
// request with a small red help page and remembers the request targets.
#include <QByteArray>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace vornel::test {

class PageServer {
public:
    static constexpr const char* Title = "FAQ Vornel";

    PageServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { accept(); });
    }

    quint16 port() const { return server_.serverPort(); }
    QString hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    // Request targets such as "/maj/?prog=...", in arrival order, without
    // the browser's own requests for the site icon.
    QStringList pageRequests() const {
        QStringList pages;
        for (const QString& target : targets_)
            if (!target.startsWith(u"/favicon")) pages << target;
        return pages;
    }

private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { answer(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void answer(QTcpSocket* socket) {
        QByteArray& pending = buffers_[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n")) return;
        const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
        pending.clear();
        if (requestLine.size() >= 2) targets_ << QString::fromLatin1(requestLine[1]);
        const QByteArray body = QByteArray("<html><head><title>") + Title +
                                "</title></head><body style=\"background:#ff0000\">"
                                "Aucune nouvelle version.</body></html>";
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                      "Connection: close\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QStringList targets_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

} // namespace vornel::test
